#pragma once

#include "ports/Time.h"

namespace lumio {

// Wall-clock time, read afresh at every step. Called on the main thread.
class Clock {
  public:
    virtual ~Clock() = default;
    // May jump either way when the user or the network sets the clock.
    virtual Instant now() const = 0;
    // How long the machine has been suspended since it booted. It never goes
    // down and grows only while the machine sleeps, so a rise between two
    // readings means the machine slept in between. Zero where unknown.
    virtual Seconds timeAsleep() const = 0;
};

} // namespace lumio
