#include "app/App.h"

namespace lumio {

bool App::pauseInForce() const {
    return pausedUntil && *pausedUntil > now();
}

void App::observeSystem() {
    platform.systemEvents.observe({
        .onWake = weakly([this] {
            if (!pauseInForce()) restart();
        }),
        .onLock = weakly([this] { locked = true; }),
        .onUnlock = weakly([this] {
            locked = false;
            if (pauseInForce() || !prefs.enabled()) return;
            nextBreak = now() + Seconds{intervalLead()};
        }),
    });
}

} // namespace lumio
