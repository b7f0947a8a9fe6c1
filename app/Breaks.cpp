#include "app/App.h"

#include <utility>

namespace lumio {

void App::restart() {
    countdown.restart(now());
    menu.refreshIcon();
}

void App::showBreak() {
    prefs.bump(Tally::Shown);
    if (prefs.sound()) chime.play();
    overlay.show(animals.pickAnimal(prefs.animals()), prefs.breakSec(), prefs.dim());
    awaitingOutcome = overlay.isShowing();
}

void App::breakNow() {
    countdown.breakNow(now());
    menu.refreshIcon();
    showBreak();
}

// Counts the first outcome of the break on screen only: the page's messages are its own to
// send, and a flood of them must neither inflate the tally nor keep the disk busy.
void App::handle(const std::string& message) {
    if (message == "closed") awaitingOutcome = false;
    if (message != "done" && message != "skip" && message != "snooze") return;
    if (!std::exchange(awaitingOutcome, false)) return;
    if (message == "done") {
        prefs.bump(Tally::Done);
    } else if (message == "skip") {
        prefs.bump(Tally::Skipped);
    } else {
        prefs.bump(Tally::Snoozed);
        countdown.snooze(now());
    }
}

void App::togglePause() {
    countdown.togglePause(now());
    menu.refreshIcon();
    menu.refreshMenu();
}

void App::toggleEnabled() {
    prefs.setEnabled(!prefs.enabled());
    restart();
    menu.refreshMenu();
}

} // namespace lumio
