#pragma once

#include "ports/Time.h"

namespace lumio {

// How long the user has left keyboard and pointer alone, as the desktop
// itself tells. All calls on the main thread. Neither call fails: a desktop
// that cannot tell (no idle source, or its source has stopped answering)
// answers 0 until it can again, so the user never counts as away.
class IdleMonitor {
  public:
    virtual ~IdleMonitor() = default;

    // Starts watching for `threshold` of idleness, measured on the core's
    // clock (which may run faster than the wall clock). Call once, before
    // the first secondsSinceLastInput(). A desktop that tells only when the
    // user crosses a threshold needs to know which.
    virtual void watch(Seconds threshold) = 0;

    // Seconds of the core's clock since the user's last input, never
    // negative, read afresh by each call: input before the call shows in its
    // answer, never one call late. The answer may fall short of the true
    // value below the threshold given to watch() (a desktop that tells only
    // crossings answers 0 there) but never above it: at or past the
    // threshold the answer is the true idle time, within a second.
    virtual double secondsSinceLastInput() = 0;
};

} // namespace lumio
