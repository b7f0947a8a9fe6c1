#include "app/App.h"

#include <utility>

namespace lumio {

namespace {
// More time asleep than this between two ticks means the machine slept.
constexpr double SLEEP_GAP = 5.0;
} // namespace

bool App::pauseInForce() const {
    return pausedUntil && *pausedUntil > now();
}

void App::wake() {
    if (!pauseInForce()) restart();
}

bool App::sleptSinceLastLook() {
    const auto asleep = platform.clock.timeAsleep();
    const bool slept = (asleep - asleepSeen).count() > SLEEP_GAP;
    asleepSeen = asleep;
    return slept;
}

void App::observeSystem() {
    asleepSeen = platform.clock.timeAsleep();
    platform.systemEvents.observe({
        // The first tick after a resume may come before the system says so;
        // whichever notices the wake first restarts the countdown, once.
        .onWake = weakly([this] {
            if (std::exchange(wakeSeenByTick, false)) return;
            sleptSinceLastLook();
            wake();
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
