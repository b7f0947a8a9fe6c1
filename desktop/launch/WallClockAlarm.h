#pragma once

#include "files/UniqueFd.h"

#include <QSocketNotifier>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace lumio {

// One alarm on the wall clock (a timerfd on CLOCK_REALTIME): it goes off at
// the instant it was set for, also when that instant passed while the machine
// slept, and as soon as the wall clock is set, either way, while it is armed.
// Main thread; `rang` runs from the event loop, never from within a call.
class WallClockAlarm {
  public:
    using Time = std::chrono::system_clock::time_point;

    explicit WallClockAlarm(std::function<void()> rang);

    // Goes off at `at` (at once for an instant already past) instead of the
    // instant set before; repeating the same instant costs nothing.
    void set(Time at);
    void clear();

  private:
    void ring();

    std::function<void()> rang;
    UniqueFd timer;
    std::unique_ptr<QSocketNotifier> readable;
    std::optional<Time> armedFor;
};

} // namespace lumio
