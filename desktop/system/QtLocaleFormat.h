#pragma once

#include "ports/LocaleFormat.h"

namespace lumio {

// The user's own short time format, as the system locale gives it.
class QtLocaleFormat final : public LocaleFormat {
  public:
    std::string shortTime(Instant t) const override;
};

} // namespace lumio
