#include "support/AppHarness.h"
#include "support/TempDir.h"

#include <filesystem>

using namespace lumio;
using namespace std::string_literals;

class PrefsTest : public testing::Test {
  protected:
    PrefsTest() {
        test::setTimeZone("ICT-7"); // Vietnam, UTC+7, no daylight saving
        prefs.registerDefaults();
    }
    fake::FakeDesktop store{test::T0}; // 15:00 in Vietnam
    Prefs prefs{store, store.clock};
};

// A value of the wrong type is no value: the setting reads as if the key were missing.
TEST_F(PrefsTest, DefaultsForWhatIsMissingOrOfTheWrongType) {
    for (int wrong = 0; wrong < 2; ++wrong) {
        EXPECT_TRUE(prefs.enabled() && prefs.dim() && prefs.idleReset() && !prefs.sound());
        EXPECT_EQ(prefs.intervalMin() * 100 + prefs.breakSec(), 2020);
        EXPECT_EQ(prefs.animals().size(), 6u);
        EXPECT_FALSE(prefs.welcomed());
        EXPECT_EQ(prefs.stat(Tally::Shown), 0);
        EXPECT_EQ(store.writes, 0);
        for (const char* key : {"enabled", "dim", "sound", "idleReset", "intervalMin", "breakSec",
                                "welcomed", "animals"})
            store.values[key] = "1"s;
        store.values["statsDate"] = std::int64_t{20260105};
    }
    store.values = {{"animals", std::vector<std::string>{}}, {"sound", true}};
    EXPECT_TRUE(prefs.animals().empty() && prefs.sound()) << "an empty list is a list";
}

TEST_F(PrefsTest, DailyCountersStartAtLocalMidnightAndSaturate) {
    prefs.bump(Tally::Shown);
    EXPECT_EQ(store.values.at("stat.done"), SettingValue{std::int64_t{0}});
    prefs.bump(Tally::Done);
    prefs.bump(Tally::Skipped);       // only a Done adds to the total
    store.clock.jump(9 * 3600 - 0.5); // 23:59:59.5 local
    EXPECT_EQ(prefs.stat(Tally::Done) + prefs.stat(Tally::Skipped), 2);
    store.clock.jump(0.5); // 00:00 local, 17:00 UTC: still the same UTC day
    EXPECT_EQ(prefs.stat(Tally::Done), 0) << "stale figures are hidden";
    prefs.bump(Tally::Done);
    EXPECT_EQ(prefs.text("statsDate"), "2026-01-06");
    EXPECT_EQ(prefs.stat(Tally::Done) * 10 + prefs.stat(Tally::Shown), 10);
    EXPECT_EQ(prefs.integer("totalDone"), 2) << "the lifetime count goes on";
}

TEST_F(PrefsTest, AZoneChangeIsANewDayEvenBackwards) {
    namespace fs = std::filesystem;
    // The zone file named by TZ, changed under the running program.
    const test::TempDir dir;
    const auto file = dir / "localtime", zoneinfo = fs::path("/usr/share/zoneinfo/Etc");
    fs::copy_file(zoneinfo / "GMT-14", file); // UTC+14: 22:00 on the 5th
    std::string tz = ":";
    tz += file.string();
    setenv("TZ", tz.c_str(), 1);
    prefs.bump(Tally::Shown);
    ASSERT_EQ(prefs.text("statsDate"), "2026-01-05");
    for (const auto& [zone, inPlace, day] :
         {std::tuple{"GMT+12", false, "2026-01-04"}, std::tuple{"GMT-14", true, "2026-01-05"}}) {
        if (inPlace) {
            fs::copy_file(zoneinfo / zone, file, fs::copy_options::overwrite_existing);
        } else { // replaced by a new file
            fs::copy_file(zoneinfo / zone, dir / "new");
            fs::rename(dir / "new", file);
        }
        EXPECT_EQ(prefs.stat(Tally::Shown), 0) << zone;
        prefs.bump(Tally::Shown);
        EXPECT_EQ(prefs.text("statsDate"), day) << zone;
    }
}
