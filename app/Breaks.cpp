#include "app/App.h"

#include <cstdint>

namespace lumio {

void App::restart() {
    schedule_.restart(now());
    menu.refreshIcon();
}

void App::showBreak() {
    // The helper this copy would start cannot show it: the updated copy will.
    if (relaunchWanted) {
        schedule_.breakDueAt(now());
        return;
    }
    prefs.bump(Tally::Shown);
    if (prefs.sound()) chime.play();
    const BreakPage page{.animalId = animals.pickAnimal(prefs.animals()),
                         .breakSec = prefs.breakSec(),
                         .snoozeMin = static_cast<std::int64_t>(SNOOZE_MIN)};
    shown.emplace(overlay, page, prefs.dim(), weakly([this](Break::Outcome o) { count(o); }));
}

void App::breakNow() {
    schedule_.breakNow(now());
    menu.refreshIcon();
    showBreak();
}

void App::count(Break::Outcome outcome) {
    switch (outcome) {
    case Break::Outcome::Done:
        prefs.bump(Tally::Done);
        break;
    case Break::Outcome::Skipped:
        prefs.bump(Tally::Skipped);
        break;
    case Break::Outcome::Snoozed:
        prefs.bump(Tally::Snoozed);
        schedule_.snooze(now());
        break;
    }
}

void App::togglePause() {
    schedule_.togglePause(now());
    menu.refreshIcon();
    menu.refreshMenu();
}

void App::toggleEnabled() {
    prefs.setEnabled(!prefs.enabled());
    restart();
    menu.refreshMenu();
}

} // namespace lumio
