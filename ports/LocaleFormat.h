#pragma once
#include "ports/Time.h"
#include <string>

namespace lumio {

// The user's regional formats. Main thread; no state.
class LocaleFormat {
  public:
    virtual ~LocaleFormat() = default;

    // The user's short time of day for t in the local time zone, e.g. "14:05"
    // or "2:05 PM". Never fails: any instant gives some text.
    virtual std::string shortTime(Instant t) const = 0;
};

} // namespace lumio
