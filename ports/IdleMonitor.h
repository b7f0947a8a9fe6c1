#pragma once

namespace lumio {

// How long the user has left keyboard and pointer alone. Main thread.
class IdleMonitor {
  public:
    virtual ~IdleMonitor() = default;

    // Seconds since the user's last input event of any kind, never negative.
    // May be up to a second old (it can be asked of another process ahead of
    // time). A desktop that cannot tell answers 0: the user never counts as
    // away.
    virtual double secondsSinceLastInput() = 0;
};

} // namespace lumio
