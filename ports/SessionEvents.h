#pragma once
#include <functional>

namespace lumio {

struct SessionEventHandlers {
    std::function<void()> onWake;   // the machine resumed from suspend
    std::function<void()> onLock;   // the screen locked or the screen saver came on
    std::function<void()> onUnlock; // the screen unlocked or the screen saver went away
};

// The login session's events, from logind and the screen savers on the
// buses. Handlers run on the main thread, never from within watch(). Events
// may repeat or come twice from two sources (a lock, then the screen saver),
// so handlers must expect repeats. A missing bus or service only leaves its
// events out, silently.
class SessionEvents {
  public:
    virtual ~SessionEvents() = default;

    // Starts delivering to handlers; call once.
    virtual void watch(SessionEventHandlers handlers) = 0;
};

} // namespace lumio
