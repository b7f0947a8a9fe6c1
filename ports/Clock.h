#pragma once

#include "ports/Time.h"

namespace lumio {

// Wall-clock time, read afresh at every step.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual Instant now() const = 0;
};

} // namespace lumio
