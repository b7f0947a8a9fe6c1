// Thirty simulated days of a restless user against the real settings file:
// random clicks, answers, idleness, locks, wakes and menu use.
#include "prefs/JsonSettingsStore.h"
#include "support/AppHarness.h"
#include "support/CapturedStderr.h"

#include <filesystem>
#include <random>

using namespace lumio;
namespace fs = std::filesystem;

TEST(Soak, ThirtyDaysKeepTheInvariants) {
    test::setTimeZone("ICT-7");
    // Memory-backed when possible: the store syncs every write to disk.
    const auto dir = (fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
                     ("lumio-soak-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const test::CapturedStderr log;
    JsonSettingsStore store{dir / "settings.json"};
    fake::FakeDesktop desk(test::T0);
    Platform onDisk{desk.clock, desk, store, desk, desk, desk, desk.overlay,
                    desk,       desk, desk,  desk, desk, desk};
    desk.overlay.preparation = 5; // panels made ahead of breaks and dropped after them
    Prefs prefs(store, desk.clock);
    prefs.registerDefaults();
    App app(onDisk, {"lumio"});
    app.applicationDidFinishLaunching();

    std::mt19937 rng(20261206);
    const auto chance = [&](double odds) { return std::bernoulli_distribution(odds)(rng); };
    const auto pick = [&](int n) { return std::uniform_int_distribution(0, n - 1)(rng); };
    const std::vector<std::string> clickable{"pause",    "enabled", "interval-10", "interval-60",
                                             "break-60", "dim",     "sound",       "idle-reset"};
    std::size_t seen = 0;
    double lastShow = -1e9, idleUntil = 0;
    while (desk.clock.mono < 30 * 86400.0) {
        const double now = desk.clock.mono;
        if (now >= idleUntil) desk.touchedAgo(0);
        if (chance(0.01)) idleUntil = now + pick(1800);
        if (chance(0.004)) (chance(0.5) ? desk.session.onLock : desk.session.onUnlock)();
        if (chance(0.001)) desk.session.onWake();
        if (chance(0.01))
            chance(0.5) ? desk.menu->menuOpened() : desk.menu->menuClosed(MenuDrawer::TrayHost);
        if (chance(0.003))
            fake::findItem(*desk.trayMenu, clickable[static_cast<std::size_t>(pick(8))])->action();
        // Keep the schedule reachable: a long "off" would make a quiet month.
        if (!prefs.enabled() && chance(0.05)) app.toggleEnabled();
        desk.runFor(1 + pick(120));

        for (; seen < desk.overlay.shown.size(); ++seen) {
            const double at = desk.overlay.shownTimes[seen];
            ASSERT_GE(at - lastShow, 30.0) << "break at " << at;
            lastShow = at;
            const PageEvent answers[] = {PageEvent::Done, PageEvent::Skipped, PageEvent::Snoozed,
                                         PageEvent::Closed};
            desk.overlay.post(answers[pick(4)]); // a break on screen keeps its page
            if (chance(0.9)) desk.overlay.post(PageEvent::Closed);
        }
    }
    EXPECT_GT(seen, 300u) << "the month should have been busy";
    EXPECT_TRUE(log.str().empty()) << log.str();
    fs::remove_all(dir);
}
