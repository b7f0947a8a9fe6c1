#pragma once

#include "break/Break.h"
#include "menubar/StatusMenu.h"
#include "overlay/Overlay.h"
#include "ports/AliveGuard.h"
#include "ports/Platform.h"
#include "prefs/Prefs.h"
#include "schedule/AnimalPicker.h"
#include "schedule/OverlayLife.h"
#include "schedule/Schedule.h"
#include "sound/Chime.h"

#include <string>
#include <string_view>
#include <vector>

namespace lumio {

// The wiring between the subsystems and the desktop: it hands them the time
// and the desktop's events, and carries out what they find due.
class App final {
  public:
    App(Platform& platform, std::vector<std::string> arguments);
    App(const App&) = delete;
    App& operator=(const App&) = delete;
    ~App() { weakly.revoke(); }

    // Called once when the main loop is up.
    void applicationDidFinishLaunching();

    // A step of the countdown, and what it finds due: a break, a fresh icon
    // after a pause or a sleep, a menu kept current; or, once this copy's
    // helper is outdated, the hand-over to the new install. The main loop
    // runs it, and tendOverlay() right after it, at nextStep().
    void tick();
    // When tick() must next run, as things stand: the countdown's next
    // instant, the break's page made ahead of it or dropped after it, once a
    // second while the menu is open or a break on screen, and at once when
    // the desktop told of something a tick must look at.
    std::optional<Instant> nextStep() const;
    // Another program (or the user, by hand) changed the settings file.
    void settingsChangedElsewhere();
    // Makes the break's panels and page ahead of a break, drops them after.
    void tendOverlay();

    // Breaks and the user's answers (app/Breaks.cpp); the hand-over to an
    // updated install is in app/Relaunch.cpp.
    void restart();
    void showBreak();
    void breakNow();
    void togglePause();
    void toggleEnabled();

    // Requests from launchers and from a second launch (app/ApplicationActions.cpp):
    // an action by its name, false when there is no such action; and the
    // menu popped up where the user can reach it.
    bool activateAction(std::string_view name);
    void activate();
    void quit();

    void observeSystem();
    void setLaunchAtLogin(bool on);

    // The exact instants of the coming break and of a pause, for the tests;
    // everything else they see on the desktop.
    const Schedule& schedule() const { return schedule_; }

  private:
    void welcome();
    void step() {
        tick();
        tendOverlay();
    }
    void resumeOrRestart();
    void count(Break::Outcome outcome);
    void pageFailed(PageFailure why);
    void relaunchWhenIdle();
    // Something a tick must look at now: the user crossed into or out of
    // being away, the settings file changed.
    void lookNow() { lookWanted = true; }
    Instant now() const { return platform.clock.now(); }
    Instant nextSecond(Instant t) const;

    // First, so that the members' callbacks can use it.
    AliveGuard weakly;
    Platform& platform;
    std::vector<std::string> arguments;
    Prefs prefs;
    Chime chime;
    Schedule schedule_;
    AnimalPicker animals;
    OverlayLife overlayLife;
    Overlay overlay;
    StatusMenu menu;
    // The last break shown, until the next one.
    std::optional<Break> shown;
    // The helper that shows breaks comes from a newer install than this copy:
    // Lumio starts afresh as that install at the first quiet moment.
    bool relaunchWanted = false;
    bool lookWanted = false;
};

} // namespace lumio
