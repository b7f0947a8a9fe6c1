// Thirty simulated days of a restless user against the real settings file:
// random clicks, answers, idleness, locks, wakes, clock jumps and menu use.
#include "AppHarness.h"

#include "prefs/JsonSettingsStore.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

using namespace lumio;
namespace fs = std::filesystem;

namespace {

fs::path scratchFolder() {
    // Memory-backed when possible: the store syncs every write to disk.
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    auto dir = base / ("lumio-soak-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

bool holdsJsonObject(const fs::path& file) {
    std::ifstream in(file);
    if (!in) return true; // nothing written yet
    const auto doc = nlohmann::json::parse(in, nullptr, false);
    return !doc.is_discarded() && doc.is_object();
}

class Soak : public testing::Test {
  protected:
    void SetUp() override { test::setTimeZone("ICT-7"); }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir = scratchFolder();
    std::ostringstream log;
    JsonSettingsStore store{dir / "settings.json", log};
};

TEST_F(Soak, ThirtyDaysKeepTheInvariants) {
    fake::FakeDesktop desk(test::T0);
    Platform platform = desk.platform;
    Platform onDisk{platform.clock,      platform.loop,         store,
                    platform.idle,       platform.systemEvents, platform.statusBar,
                    platform.overlay,    platform.audio,        platform.loginItem,
                    platform.alerts,     platform.locale,       platform.random,
                    platform.application};
    desk.overlay.fakeScreens.list = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
    App app(onDisk, {"lumio"});
    app.applicationDidFinishLaunching();
    desk.overlay.clock = &desk.clock;
    desk.overlay.preparation = 5; // panels made ahead of breaks and dropped after them

    std::mt19937 rng(20261206);
    auto chance = [&](double p) { return std::uniform_real_distribution<>(0, 1)(rng) < p; };
    auto pick = [&](int n) { return std::uniform_int_distribution<>(0, n - 1)(rng); };

    std::vector<MenuItem*> clickable;
    std::function<void(const Menu&)> collect = [&](const Menu& menu) {
        for (auto* item : menu.items) {
            if (item->submenu) collect(*item->submenu);
            if (item->action && item->title != "Thoát Lumio") clickable.push_back(item);
        }
    };
    collect(*app.mainMenu());

    std::size_t seen = 0;
    double lastShow = -1e9;
    double lastJump = 0;
    std::vector<double> userBreaks;
    std::string lastDay;
    std::map<std::string, std::int64_t> lastCounts;
    double idleUntil = 0;
    int tickBreaks = 0;

    const double end = 30 * 86400.0;
    while (desk.clock.monotonic() < end) {
        const double now = desk.clock.monotonic();
        if (now >= idleUntil) desk.idle.touch();
        if (chance(0.01)) idleUntil = now + pick(1800);
        if (chance(0.004)) (chance(0.5) ? desk.events.lock() : desk.events.unlock());
        if (chance(0.001)) desk.events.wake();
        if (chance(0.0005)) {
            desk.clock.jump(pick(7200) - 3600);
            lastJump = now;
        }
        if (chance(0.01)) (chance(0.5) ? app.menuWillOpen() : app.menuDidClose());
        if (chance(0.003)) {
            auto* item =
                clickable[static_cast<std::size_t>(pick(static_cast<int>(clickable.size())))];
            if (item->title == "Nghỉ mắt ngay") userBreaks.push_back(now);
            item->action();
        }
        // Keep the schedule reachable: a long pause or "off" would make a quiet month.
        if (!app.preferences().enabled() && chance(0.05)) app.toggleEnabled();

        desk.loop.runFor(1 + pick(120));

        for (; seen < desk.overlay.scripts.size(); ++seen) {
            const double at = desk.overlay.evaluatedAt[seen];
            const bool byUser =
                std::find(userBreaks.begin(), userBreaks.end(), at) != userBreaks.end();
            if (!byUser) {
                ++tickBreaks;
                if (lastShow > lastJump) {
                    ASSERT_GE(at - lastShow, 30.0) << "break " << seen << " at " << at;
                }
            }
            lastShow = at;
            const char* answers[] = {"done", "skip", "snooze", "closed", "bogus"};
            auto& web = *desk.overlay.web; // a break on screen keeps it
            web.post(std::string(answers[pick(5)]));
            if (chance(0.9)) web.post(std::string("closed"));
        }

        const auto day = app.preferences().todayKey();
        for (const char* kind : {"shown", "done", "snoozed", "skipped"}) {
            const auto count = app.preferences().stat(kind);
            if (day == lastDay) {
                ASSERT_GE(count, lastCounts[kind]) << kind << " on " << day;
            }
            lastCounts[kind] = count;
        }
        lastDay = day;
        ASSERT_TRUE(holdsJsonObject(dir / "settings.json"));
    }
    EXPECT_GT(tickBreaks, 300) << "the month should have been busy";
    EXPECT_TRUE(log.str().empty()) << log.str();
}

} // namespace
