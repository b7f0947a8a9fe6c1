#pragma once

#include "ports/Time.h"

#include <functional>

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
    // the first secondsSinceLastInput(). While the desktop tells crossings
    // (tellsCrossings()), `crossed` runs on the main thread, never from
    // within a call of this class, each time the user's idleness reaches the
    // threshold and each time the user is back after that.
    virtual void watch(Seconds threshold, std::function<void()> crossed) = 0;

    // Whether `crossed` comes for both crossings right now. When not (a
    // desktop that answers only when asked, or none that answers), the
    // caller must ask secondsSinceLastInput() itself, as often as it needs.
    // May change from one answer to the next, as sources fail and recover.
    virtual bool tellsCrossings() const = 0;

    // Seconds of the core's clock since the user's last input, never
    // negative, read afresh by each call: input before the call shows in its
    // answer, never one call late. The answer may fall short of the true
    // value below the threshold given to watch() (a desktop that tells only
    // crossings answers 0 there) but never above it: at or past the
    // threshold the answer is the true idle time, within a second.
    virtual double secondsSinceLastInput() = 0;
};

} // namespace lumio
