#include "app/App.h"

#include "app/Constants.h"

#include <algorithm>

namespace lumio {

namespace {
constexpr double PAUSE_SECS = 3600.0;
constexpr double MIN_LEAD = 30.0;
} // namespace

void App::showBreak() {
    prefs.bump("shown");
    if (prefs.sound()) chime.play();
    const auto animal = pickAnimal();
    overlay->show(animal, prefs.breakSec(), prefs.dim());
}

void App::breakNow() {
    pausedUntil.reset();
    if (prefs.enabled()) nextBreak = now() + Seconds{cycleLead()};
    refreshIcon();
    showBreak();
}

void App::handle(const std::string& message) {
    if (message == "done") {
        prefs.bump("done");
    } else if (message == "skip") {
        prefs.bump("skipped");
    } else if (message == "snooze") {
        prefs.bump("snoozed");
        nextBreak = now() + Seconds{std::max(SNOOZE_MIN * 60.0, MIN_LEAD)};
    }
}

void App::togglePause() {
    if (pauseInForce()) {
        restart();
    } else {
        pausedUntil = now() + Seconds{PAUSE_SECS};
        nextBreak.reset();
        refreshIcon();
    }
    refreshMenu();
}

void App::toggleEnabled() {
    prefs.setEnabled(!prefs.enabled());
    restart();
    refreshMenu();
}

} // namespace lumio
