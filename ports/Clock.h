#pragma once
#include "ports/Time.h"

namespace lumio {

// The wall clock. Called on the main thread only; every call reads afresh.
class Clock {
  public:
    virtual ~Clock() = default;

    // The time of day. It can jump either way between two calls, when the user
    // or the network sets the clock: callers must never assume it grew.
    virtual Instant now() const = 0;

    // How long the machine has been suspended since it booted. It never goes
    // down and grows only while the machine sleeps, so a rise between two
    // readings means the machine slept in between. Zero where unknown.
    virtual Seconds timeAsleep() const = 0;
};

} // namespace lumio
