#include "AppHarness.h"

#include <filesystem>
#include <unistd.h>

using namespace lumio;

namespace {

class PrefsFixture : public testing::Test {
  protected:
    void SetUp() override {
        test::setTimeZone("ICT-7"); // Vietnam, UTC+7, no daylight saving
        prefs.registerDefaults();
    }
    fake::VirtualClock clock{test::T0}; // 15:00 in Vietnam
    fake::FakeStore store;
    Prefs prefs{store, clock};
};

using Defaults = PrefsFixture;
using DailyStats = PrefsFixture;

TEST_F(Defaults, FreshAccountReadsTheRegisteredDefaultsAndStoresNothing) {
    EXPECT_TRUE(prefs.enabled());
    EXPECT_EQ(prefs.intervalMin(), 20);
    EXPECT_EQ(prefs.breakSec(), 20);
    EXPECT_TRUE(prefs.dim());
    EXPECT_FALSE(prefs.sound());
    EXPECT_TRUE(prefs.idleReset());
    EXPECT_EQ(prefs.animals(),
              (std::vector<std::string>{"cat", "dog", "bunny", "panda", "frog", "penguin"}));
    EXPECT_FALSE(prefs.boolForKey("welcomed"));
    EXPECT_TRUE(store.values.empty());
}

TEST_F(Defaults, StoredValuesWinOverDefaults) {
    prefs.setSound(true);
    prefs.setIntervalMin(0);
    prefs.registerDefaults(); // as at the next launch
    EXPECT_TRUE(prefs.sound());
    EXPECT_EQ(prefs.intervalMin(), 0);
}

// A value of the wrong type is no value: the setting reads as if the key were missing.
TEST_F(Defaults, WrongTypesReadAsTheDefault) {
    store.values["enabled"] = std::string("no");
    store.values["intervalMin"] = std::string("1");
    store.values["breakSec"] = true;
    store.values["dim"] = std::int64_t{0};
    store.values["animals"] = std::string("cat");
    store.values["welcomed"] = std::string("yes");
    store.values["statsDate"] = std::int64_t{20260105};
    EXPECT_TRUE(prefs.enabled());
    EXPECT_EQ(prefs.intervalMin(), 20);
    EXPECT_EQ(prefs.breakSec(), 20);
    EXPECT_TRUE(prefs.dim());
    EXPECT_EQ(prefs.animals().size(), 6u);
    EXPECT_FALSE(prefs.boolForKey("welcomed"));
    EXPECT_EQ(prefs.stringForKey("statsDate"), std::nullopt);
    store.values["animals"] = std::vector<std::string>{};
    EXPECT_TRUE(prefs.animals().empty()) << "an empty list is a list";
}

TEST_F(DailyStats, FirstBumpStartsTheDay) {
    EXPECT_EQ(prefs.stat("shown"), 0);
    prefs.bump("shown");
    EXPECT_EQ(prefs.stringForKey("statsDate"), "2026-01-05");
    EXPECT_EQ(prefs.stat("shown"), 1);
    for (const char* kind : {"stat.done", "stat.snoozed", "stat.skipped"}) {
        EXPECT_EQ(std::get<std::int64_t>(store.values.at(kind)), 0) << kind;
    }
    EXPECT_FALSE(store.values.contains("totalDone"));
}

TEST_F(DailyStats, RolloverAtLocalMidnight) {
    prefs.bump("shown");
    prefs.bump("done");
    prefs.bump("skipped");
    clock.jump(9 * 3600 - 0.5); // 23:59:59.5 local
    EXPECT_EQ(prefs.stat("done"), 1);
    clock.jump(0.5); // 00:00 local, 17:00 UTC: still the same UTC day
    EXPECT_EQ(prefs.stat("done"), 0) << "stale figures are hidden";
    EXPECT_EQ(std::get<std::int64_t>(store.values.at("stat.done")), 1) << "but not cleared";

    prefs.bump("done");
    EXPECT_EQ(prefs.stringForKey("statsDate"), "2026-01-06");
    EXPECT_EQ(prefs.stat("done"), 1);
    EXPECT_EQ(prefs.stat("shown"), 0);
    EXPECT_EQ(prefs.stat("skipped"), 0);
    EXPECT_EQ(prefs.integerForKey("totalDone"), 2) << "the lifetime count goes on";
}

TEST_F(DailyStats, ATimeZoneChangeIsANewDayEvenBackwards) {
    prefs.bump("shown");        // 2026-01-05 in Vietnam (15:00)
    test::setTimeZone("HST10"); // Hawaii: 22:00 the day before
    EXPECT_EQ(prefs.stat("shown"), 0);
    prefs.bump("shown");
    EXPECT_EQ(prefs.stringForKey("statsDate"), "2026-01-04");
    EXPECT_EQ(prefs.stat("shown"), 1);
}

TEST_F(DailyStats, AZoneFileChangedUnderARunningProgramIsANewDay) {
    namespace fs = std::filesystem;
    const auto dir = fs::temp_directory_path() / ("lumio-zone-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const auto zone = dir / "localtime";
    const auto zoneinfo = fs::path("/usr/share/zoneinfo/Etc");
    fs::copy_file(zoneinfo / "GMT-14", zone); // UTC+14: 22:00 on the 5th
    setenv("TZ", (":" + zone.string()).c_str(), 1);
    prefs.bump("shown");
    ASSERT_EQ(prefs.stringForKey("statsDate"), "2026-01-05");

    const struct {
        const char* zone;
        bool inPlace; // rewritten in place, else replaced by a new file
        const char* day;
    } changes[] = {{"GMT+12", false, "2026-01-04"}, {"GMT-14", true, "2026-01-05"}};
    for (const auto& c : changes) {
        if (c.inPlace) {
            fs::copy_file(zoneinfo / c.zone, zone, fs::copy_options::overwrite_existing);
        } else {
            fs::copy_file(zoneinfo / c.zone, dir / "new");
            fs::rename(dir / "new", zone);
        }
        EXPECT_EQ(prefs.stat("shown"), 0) << c.zone;
        prefs.bump("shown");
        EXPECT_EQ(prefs.stringForKey("statsDate"), c.day) << c.zone;
    }
    fs::remove_all(dir);
}

TEST_F(DailyStats, OnlyExactlyDoneCountsForTheTotal) {
    prefs.bump("Done");
    prefs.bump("custom");
    EXPECT_FALSE(store.values.contains("totalDone"));
    EXPECT_EQ(prefs.stat("Done"), 1);
    EXPECT_EQ(prefs.stat("custom"), 1);
}

TEST_F(DailyStats, CountersAtTheLargestIntegerStayThere) {
    prefs.bump("done");
    store.values["stat.done"] = std::int64_t{9223372036854775807};
    store.values["totalDone"] = std::int64_t{9223372036854775807};
    prefs.bump("done");
    EXPECT_EQ(prefs.stat("done"), 9223372036854775807);
    EXPECT_EQ(prefs.integerForKey("totalDone"), 9223372036854775807);
}

} // namespace
