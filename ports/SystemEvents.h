#pragma once

#include <functional>

namespace lumio {

struct SystemEventHandlers {
    std::function<void()> onWake;
    std::function<void()> onLock;
    std::function<void()> onUnlock;
};

// Machine woke from sleep, screen locked, screen unlocked; all delivered on
// the main thread. Repeated or duplicated events must be harmless to the handlers.
class SystemEvents {
  public:
    virtual ~SystemEvents() = default;
    virtual void observe(SystemEventHandlers handlers) = 0;
};

} // namespace lumio
