#include "app/App.h"

#include "app/Constants.h"

#include <algorithm>

namespace lumio {

namespace {
constexpr double MIN_LEAD = 30.0;
constexpr double BACK_AFTER_IDLE = 5.0;
} // namespace

double App::intervalLead() const {
    return std::max(static_cast<double>(prefs.intervalMin()) * 60.0, MIN_LEAD);
}

double App::cycleLead() const {
    const double minutes =
        static_cast<double>(prefs.intervalMin()) + static_cast<double>(prefs.breakSec()) / 60.0;
    return std::max(minutes * 60.0, MIN_LEAD);
}

void App::restart() {
    scheduledWith = {prefs.enabled(), prefs.intervalMin()};
    pausedUntil.reset();
    away = false;
    if (prefs.enabled()) {
        nextBreak = now() + Seconds{intervalLead()};
    } else {
        nextBreak.reset();
    }
    refreshIcon();
}

void App::settingsChangedElsewhere() {
    if (std::pair{prefs.enabled(), prefs.intervalMin()} != scheduledWith) restart();
    refreshMenu();
    refreshIcon();
}

void App::tick() {
    if (sleptSinceLastLook()) {
        wakeSeenByTick = true;
        wake();
    }
    if (!prefs.enabled()) return;
    if (pausedUntil) {
        if (now() >= *pausedUntil) restart();
        return;
    }

    const double idle = platform.idle.secondsSinceLastInput();
    if (prefs.idleReset() && idle >= IDLE_SECS) {
        away = true;
    } else if (away && idle < BACK_AFTER_IDLE) {
        away = false;
        nextBreak = now() + Seconds{intervalLead()};
    }

    if (const auto t = now(); nextBreak && t >= *nextBreak) {
        nextBreak = t + Seconds{cycleLead()};
        if (!away && !locked) showBreak();
    }

    if (menuOpen) refreshMenu();
}

} // namespace lumio
