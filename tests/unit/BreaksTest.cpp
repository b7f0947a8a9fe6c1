#include "AppHarness.h"

#include <map>
#include <set>
#include <utility>

using namespace lumio;
using lumio::test::AppTest;

namespace {

class Breaks : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        launch();
    }
    std::string lastAnimalShown() const {
        const auto& script = desk.overlay.scripts.back();
        const auto from = script.find('\'') + 1;
        return script.substr(from, script.find('\'', from) - from);
    }
};

TEST_F(Breaks, ShowCountsFirstThenPlaysThenShows) {
    app->preferences().setSound(true);
    app->breakNow();
    EXPECT_EQ(stored("stat.shown"), 1);
    EXPECT_EQ(desk.audio.plays, 1);
    ASSERT_EQ(breaksShown(), 1u);
    EXPECT_EQ(desk.overlay.scripts[0].rfind("__lumioShow({animalId:'", 0), 0u);
}

TEST_F(Breaks, SecondBreakRestartsTheChime) {
    app->preferences().setSound(true);
    app->breakNow();
    app->breakNow();
    EXPECT_EQ(desk.audio.made, 1);
    EXPECT_EQ(desk.audio.stops, 2);
    EXPECT_EQ(desk.audio.plays, 2);
}

TEST_F(Breaks, BreakNowEndsAPauseAndSchedulesACycle) {
    app->togglePause();
    ASSERT_TRUE(iconDimmed());
    run(60);
    app->breakNow();
    EXPECT_FALSE(app->pausedUntilAt().has_value());
    EXPECT_FALSE(iconDimmed());
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1220.0);
    EXPECT_EQ(breaksShown(), 1u);
}

TEST_F(Breaks, BreakNowWhileOffShowsAndCountsButSchedulesNothing) {
    app->toggleEnabled();
    app->breakNow();
    EXPECT_EQ(breaksShown(), 1u);
    EXPECT_EQ(stored("stat.shown"), 1);
    EXPECT_FALSE(app->nextBreakAt().has_value());
}

TEST_F(Breaks, BreakNowIgnoresAwayAndLock) {
    desk.events.lock();
    run(400);
    ASSERT_TRUE(app->isAway());
    app->breakNow();
    EXPECT_EQ(breaksShown(), 1u);
}

TEST_F(Breaks, OutcomesAreCountedAndSnoozeMovesTheBreakFiveMinutes) {
    app->breakNow();
    app->handle("done");
    app->breakNow();
    app->handle("skip");
    EXPECT_EQ(stored("stat.done"), 1);
    EXPECT_EQ(stored("stat.skipped"), 1);
    EXPECT_EQ(stored("totalDone"), 1);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1220.0) << "done and skip leave the schedule";

    app->preferences().setIntervalMin(60);
    app->breakNow();
    app->handle("snooze");
    EXPECT_EQ(stored("stat.snoozed"), 1);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 300.0);
}

// The page may say anything any number of times; a break has one outcome.
TEST_F(Breaks, OneOutcomeCountsPerBreakShown) {
    // The page lives only around a break: whichever is live is the one that speaks.
    const auto answerAll = [this] {
        for (const char* answer : {"snooze", "done", "skip", "snooze", "done"})
            desk.overlay.web->post(std::string(answer));
    };
    app->menuWillOpen(); // the page is made ahead of a break the user may ask for
    const auto before = desk.store.values;
    answerAll();
    EXPECT_EQ(desk.store.values, before) << "no break on screen";

    const auto screens = std::exchange(desk.overlay.fakeScreens.list, {});
    app->breakNow();
    const auto shownNowhere = desk.store.values;
    answerAll();
    EXPECT_EQ(desk.store.values, shownNowhere) << "no screen to show the break on";
    desk.overlay.fakeScreens.list = screens;

    app->breakNow();
    answerAll();
    run(100);
    answerAll();
    EXPECT_EQ(stored("stat.snoozed"), 1);
    EXPECT_EQ(stored("stat.done"), 0);
    EXPECT_EQ(stored("stat.skipped"), 0);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 200.0) << "the first snooze only";

    app->breakNow();
    desk.overlay.web->post(std::string("closed"));
    const auto closed = desk.store.values;
    answerAll();
    EXPECT_EQ(desk.store.values, closed) << "the break is over";

    app->breakNow();
    desk.overlay.web->post(std::string("done"));
    desk.overlay.web->post(std::string("closed"));
    EXPECT_EQ(stored("stat.done"), 1);
}

TEST_F(Breaks, OtherMessagesChangeNothing) {
    const auto before = desk.store.values;
    const auto next = app->nextBreakAt();
    for (const char* m : {"Done", "closed", "done ", "", "snooze\n", "SKIP"})
        app->handle(m);
    EXPECT_EQ(desk.store.values, before);
    EXPECT_EQ(app->nextBreakAt(), next);
}

TEST_F(Breaks, PauseTwiceResumesAtOnce) {
    app->togglePause();
    EXPECT_FALSE(app->nextBreakAt().has_value());
    EXPECT_TRUE(iconDimmed());
    run(10);
    app->togglePause();
    EXPECT_FALSE(app->pausedUntilAt().has_value());
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
    EXPECT_FALSE(iconDimmed());
}

TEST_F(Breaks, ExpiredButUnclearedPauseCountsAsNoPause) {
    app->togglePause();
    desk.clock.jump(3600); // the pause's end has passed, no tick has run yet
    EXPECT_TRUE(iconDimmed()) << "the icon is only re-evaluated when asked";
    app->togglePause();
    EXPECT_DOUBLE_EQ(secondsTo(app->pausedUntilAt().value()), 3600.0) << "a new hour starts";
}

TEST_F(Breaks, SwitchingOffDuringAPauseEndsIt) {
    app->togglePause();
    run(100);
    app->toggleEnabled();
    EXPECT_FALSE(app->pausedUntilAt().has_value());
    EXPECT_FALSE(app->nextBreakAt().has_value());
    run(100);
    app->toggleEnabled();
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
}

TEST_F(Breaks, AnimalNeverRepeatsWhenThereIsAChoiceAndIsUniform) {
    std::map<std::string, int> counts;
    std::string previous;
    for (int i = 0; i < 6000; ++i) {
        app->breakNow();
        const auto animal = lastAnimalShown();
        ASSERT_NE(animal, previous);
        ++counts[animal];
        previous = animal;
    }
    ASSERT_EQ(counts.size(), 6u);
    for (const auto& [id, n] : counts)
        EXPECT_NEAR(n, 1000, 150) << id;
}

TEST_F(Breaks, AnimalChoiceFollowsThePreference) {
    app->preferences().setAnimals({"frog"});
    for (int i = 0; i < 3; ++i) {
        app->breakNow();
        EXPECT_EQ(lastAnimalShown(), "frog");
    }
    app->preferences().setAnimals({"panda", "nonsense", "dog", "panda"});
    std::string previous = lastAnimalShown();
    for (int i = 0; i < 6; ++i) {
        app->breakNow();
        const auto animal = lastAnimalShown();
        EXPECT_TRUE(animal == "panda" || animal == "dog") << animal;
        EXPECT_NE(animal, previous);
        previous = animal;
    }
}

TEST_F(Breaks, NoValidAnimalsMeansAllSix) {
    for (const std::vector<std::string>& pref :
         {std::vector<std::string>{}, std::vector<std::string>{"unicorn", "CAT"}}) {
        app->preferences().setAnimals(pref);
        std::set<std::string> seen;
        for (int i = 0; i < 200; ++i) {
            app->breakNow();
            seen.insert(lastAnimalShown());
        }
        EXPECT_EQ(seen.size(), 6u);
    }
    desk.store.values["animals"] = std::int64_t{7}; // not a list
    app->breakNow();
    EXPECT_FALSE(lastAnimalShown().empty());
}

} // namespace
