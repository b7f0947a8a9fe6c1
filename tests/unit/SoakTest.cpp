// Thirty simulated days of a restless user against the real settings file:
// random clicks, answers, idleness, locks, wakes, clock jumps and menu use.
#include "prefs/JsonSettingsStore.h"
#include "support/AppHarness.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

using namespace lumio;
namespace fs = std::filesystem;

TEST(Soak, ThirtyDaysKeepTheInvariants) {
    test::setTimeZone("ICT-7");
    // Memory-backed when possible: the store syncs every write to disk.
    const auto dir = (fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
                     ("lumio-soak-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ostringstream log;
    JsonSettingsStore store{dir / "settings.json", log};
    fake::FakeDesktop desk(test::T0);
    const Platform& p = desk.platform;
    Platform onDisk{p.clock,   p.loop,  store,       p.idle,    p.session, p.tray,
                    p.overlay, p.audio, p.autostart, p.dialogs, p.locale,  p.random};
    desk.overlay.fakeScreens.list = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
    desk.overlay.preparation = 5; // panels made ahead of breaks and dropped after them
    App app(onDisk, {"lumio"});
    app.applicationDidFinishLaunching();

    std::mt19937 rng(20261206);
    const auto chance = [&](double odds) {
        return std::uniform_real_distribution<>(0, 1)(rng) < odds;
    };
    const auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
    };
    std::vector<MenuItem*> clickable;
    const std::function<void(const Menu&)> collect = [&](const Menu& menu) {
        for (auto* item : menu.items) {
            if (item->submenu) collect(*item->submenu);
            if (item->action && item->id != "quit") clickable.push_back(item);
        }
    };
    collect(app.statusMenu().mainMenu());

    std::size_t seen = 0;
    double lastShow = -1e9, lastJump = 0, idleUntil = 0;
    std::vector<double> asked; // breaks the user asked for
    std::string lastDay;
    std::map<std::string, std::int64_t> lastCounts;
    int scheduled = 0;
    auto& session = desk.session.handlers;
    auto& menu = *desk.tray.listener;
    while (desk.clock.mono < 30 * 86400.0) {
        const double now = desk.clock.mono;
        if (now >= idleUntil) desk.idle.touchedAgo(0);
        if (chance(0.01)) idleUntil = now + static_cast<double>(pick(1800));
        if (chance(0.004)) (chance(0.5) ? session.onLock : session.onUnlock)();
        if (chance(0.001)) session.onWake();
        if (chance(0.0005)) {
            desk.clock.jump(static_cast<double>(pick(7200)) - 3600);
            lastJump = now;
        }
        if (chance(0.01)) chance(0.5) ? menu.menuOpened() : menu.menuClosed();
        if (chance(0.003)) {
            auto* item = clickable[pick(clickable.size())];
            if (item->id == "break-now") asked.push_back(now);
            item->action();
        }
        // Keep the schedule reachable: a long "off" would make a quiet month.
        if (!app.preferences().enabled() && chance(0.05)) app.toggleEnabled();
        desk.loop.runFor(1 + static_cast<double>(pick(120)));

        for (; seen < desk.overlay.scripts.size(); ++seen) {
            const double at = desk.overlay.scriptTimes[seen];
            if (std::ranges::find(asked, at) == asked.end()) {
                ++scheduled;
                ASSERT_TRUE(lastShow < lastJump || at - lastShow >= 30.0) << "break at " << at;
            }
            lastShow = at;
            const char* answers[] = {"done", "skip", "snooze", "closed", "bogus"};
            desk.overlay.post(answers[pick(5)]); // a break on screen keeps its page
            if (chance(0.9)) desk.overlay.post("closed");
        }
        const auto day = app.preferences().todayKey();
        for (const char* kind : {"shown", "done", "snoozed", "skipped"}) {
            const auto count = app.preferences().stat(kind);
            ASSERT_TRUE(day != lastDay || count >= lastCounts[kind]) << kind << " on " << day;
            lastCounts[kind] = count;
        }
        lastDay = day;
    }
    std::ifstream in(dir / "settings.json");
    EXPECT_TRUE(nlohmann::json::parse(in, nullptr, false).is_object());
    EXPECT_GT(scheduled, 300) << "the month should have been busy";
    EXPECT_TRUE(log.str().empty()) << log.str();
    fs::remove_all(dir);
}
