#include "app/App.h"

#include "app/Constants.h"

#include <algorithm>
#include <utility>

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
    awaitingOutcome = overlay->isShowing();
}

void App::breakNow() {
    pausedUntil.reset();
    if (prefs.enabled()) nextBreak = now() + Seconds{cycleLead()};
    refreshIcon();
    showBreak();
}

// Counts the first outcome of the break on screen only: the page's messages are its own to
// send, and a flood of them must neither inflate the tally nor keep the disk busy.
void App::handle(const std::string& message) {
    if (message == "closed") awaitingOutcome = false;
    if (message != "done" && message != "skip" && message != "snooze") return;
    if (!std::exchange(awaitingOutcome, false)) return;
    if (message == "done") {
        prefs.bump("done");
    } else if (message == "skip") {
        prefs.bump("skipped");
    } else {
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
