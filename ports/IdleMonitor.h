#pragma once

namespace lumio {

// How long the user has left keyboard and pointer alone. Main thread.
class IdleMonitor {
  public:
    virtual ~IdleMonitor() = default;

    // Seconds since the user's last input event of any kind, never negative.
    // May be the answer to the previous call (it can be asked of another
    // process ahead of time), so input since then may show one call late. A
    // desktop that cannot tell answers 0: the user never counts as away.
    virtual double secondsSinceLastInput() = 0;
};

} // namespace lumio
