#include "app/App.h"

#include "app/LaunchActions.h"
#include "ports/PlatformTexts.h"

#include <algorithm>
#include <cmath>

namespace lumio {

App::App(Platform& platform, std::vector<std::string> arguments)
    : platform(platform), arguments(std::move(arguments)), prefs(platform.settings, platform.clock),
      chime(platform.audio), schedule_(prefs), animals(platform.random),
      overlay(platform.overlay, weakly([this](PageEvent event) {
                  if (shown) shown->pageSaid(event);
              }),
              weakly([this](PageFailure why) { pageFailed(why); })),
      menu(platform, prefs, schedule_,
           {
               .breakNow = weakly([this] { breakNow(); }),
               .togglePause = weakly([this] { togglePause(); }),
               .toggleEnabled = weakly([this] { toggleEnabled(); }),
               .restart = weakly([this] { restart(); }),
               .previewChime = weakly([this] { chime.play(); }),
               .setLaunchAtLogin = weakly([this](bool on) { setLaunchAtLogin(on); }),
               .quit = weakly([this] { quit(); }),
               .opened = weakly([this] { tendOverlay(); }),
           }) {}

void App::applicationDidFinishLaunching() {
    prefs.registerDefaults();
    menu.buildStatusItem();
    observeSystem();
    resumeOrRestart();
    // The first tick a second after launch, as the countdown's rhythm always had it.
    platform.loop.after(Seconds{TICK_SECS}, weakly([this] {
                            step();
                            platform.loop.runWhenDue(weakly([this] { return nextStep(); }),
                                                     weakly([this] { step(); }));
                        }));

    // A launch that asks for an action does it a second later, and the
    // welcome waits for a plain launch.
    for (const auto& [option, action] : LAUNCH_ACTIONS) {
        if (std::ranges::find(arguments, option) == arguments.end()) continue;
        platform.loop.after(Seconds{1.0}, weakly([this, action] { activateAction(action); }));
        return;
    }
    if (prefs.welcomed()) return;
    prefs.setWelcomed(true);
    platform.loop.after(Seconds{0.5}, weakly([this] { welcome(); }));
}

void App::welcome() {
    const MessageDialog dialog{
        .iconName = "AppIcon",
        .text = "Lumio đã chạy rồi nè! 🐱",
        .informativeText = "Cứ " + std::to_string(prefs.intervalMin()) +
                           " phút, một bạn thú sẽ nhảy ra góc màn hình nhắc bạn nhìn ra xa " +
                           std::to_string(prefs.breakSec()) +
                           " giây.\n\nMọi cài đặt nằm ở biểu tượng con mèo trên thanh menu "
                           "(góc phải trên).",
        .buttons = {texts::LAUNCH_AT_LOGIN, "Để sau"},
    };
    if (platform.dialogs.ask(dialog) == 0) setLaunchAtLogin(true);
}

void App::tick() {
    lookWanted = false;
    // This copy's helper cannot show breaks any more: the new install takes
    // over the countdown as soon as the user is not in the middle of something.
    if (relaunchWanted) {
        relaunchWhenIdle();
        return;
    }
    const auto t = now();
    const bool woke = schedule_.tickSawSleep(t, platform.clock.timeAsleep());
    // Asking the desktop costs a round trip; a paused or switched-off
    // countdown has no use for the answer.
    const double idle = schedule_.needsIdleTime() ? platform.idle.secondsSinceLastInput() : 0;
    const auto due = schedule_.tick(t, idle);
    if (woke || due.pauseEnded) menu.refreshIcon();
    if (due.showBreak) showBreak();
    if (due.counting && menu.isOpen()) menu.refreshMenu();
}

std::optional<Instant> App::nextStep() const {
    const auto t = now();
    if (lookWanted) return t;
    // Someone watches the countdown, or the hand-over waits for them to finish.
    if (menu.isOpen() || (shown && shown->isOn()) || relaunchWanted) return nextSecond(t);
    const auto countdown = schedule_.nextTick(t, platform.idle.tellsCrossings());
    const auto page = overlayLife.nextChange(
        t, schedule_.comingBreak(), platform.overlay.preparationTime(), overlay.isPrepared());
    return earliest(countdown, page);
}

// On the countdown's whole seconds, so that an open menu shows every one.
Instant App::nextSecond(Instant t) const {
    const auto next = schedule_.nextBreakAt();
    if (!next || *next <= t) return t + Seconds{TICK_SECS};
    // A remainder of a hair is the second just shown.
    const double left = std::fmod((*next - t).count(), TICK_SECS);
    return t + Seconds{left > 1e-3 ? left : left + TICK_SECS};
}

void App::settingsChangedElsewhere() {
    schedule_.settingsChanged(now());
    menu.refreshMenu();
    menu.refreshIcon();
    lookNow(); // idleness the new settings count as away
}

void App::tendOverlay() {
    const bool inUse = (shown && shown->isOn()) || menu.isOpen();
    if (overlayLife.wanted(now(), inUse, schedule_.comingBreak(),
                           platform.overlay.preparationTime())) {
        overlay.prepare();
    } else {
        overlay.release();
    }
}

void App::observeSystem() {
    platform.idle.watch(Seconds{IDLE_SECS}, weakly([this] { lookNow(); }));
    schedule_.watchSleep(platform.clock.timeAsleep());
    platform.session.watch({
        .onWake = weakly([this] {
            if (schedule_.wake(now(), platform.clock.timeAsleep())) menu.refreshIcon();
        }),
        .onLock = weakly([this] { schedule_.lock(); }),
        .onUnlock = weakly([this] { schedule_.unlock(now()); }),
    });
}

} // namespace lumio
