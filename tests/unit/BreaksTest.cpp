#include "support/AppHarness.h"

#include <map>
#include <set>

using namespace lumio;

namespace {

class Breaks : public test::AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        launch();
    }
    std::string lastAnimal() const {
        const auto& script = desk.overlay.scripts.back();
        const auto from = script.find('\'') + 1;
        return script.substr(from, script.find('\'', from) - from);
    }
    void answerAll() {
        for (const char* answer : {"snooze", "done", "skip", "snooze", "done"})
            desk.overlay.post(answer);
    }
};

// The page may say anything any number of times; a break has one outcome.
TEST_F(Breaks, OneOutcomeCountsPerBreakShown) {
    desk.tray.listener->menuOpened(); // the page is made ahead of a break the user may ask for
    const auto untouched = desk.store.values;
    answerAll();
    EXPECT_EQ(desk.store.values, untouched) << "no break on screen";
    const auto screens = std::exchange(desk.overlay.fakeScreens.list, {});
    app->breakNow();
    const auto shownNowhere = desk.store.values;
    answerAll();
    EXPECT_EQ(desk.store.values, shownNowhere) << "no screen to show the break on";
    desk.overlay.fakeScreens.list = screens;

    const struct {
        const char* first;
        const char* key;
    } rows[] = {{"snooze", "stat.snoozed"},
                {"done", "stat.done"},
                {"skip", "stat.skipped"},
                {"closed", "stat.done"}};
    for (const auto& r : rows) {
        app->preferences().setIntervalMin(60);
        app->breakNow();
        desk.overlay.post(r.first);
        answerAll();
        desk.overlay.post("closed");
        answerAll();
        EXPECT_EQ(stored(r.key), 1) << r.first;
        const bool snoozed = r.first == std::string("snooze");
        EXPECT_DOUBLE_EQ(secondsToNextBreak(), snoozed ? 300 : 3620) << r.first;
    }
    EXPECT_EQ(stored("totalDone"), 1);
    EXPECT_EQ(stored("stat.shown"), 5);
    for (const char* m : {"Done", "done ", "", "SKIP", "snooze\n"})
        desk.overlay.post(m);
    app->breakNow();
    for (const char* m : {"Done", "done ", "", "SKIP", "snooze\n"})
        desk.overlay.post(m);
    desk.overlay.post("done");
    EXPECT_EQ(stored("stat.done"), 2) << "other words are no outcome";
}

TEST_F(Breaks, TheChimeIsMadeOnceAndRestartedForEachBreak) {
    app->breakNow();
    EXPECT_EQ(desk.audio.loads, 0) << "sound off";
    app->preferences().setSound(true);
    app->breakNow();
    app->breakNow();
    EXPECT_EQ(desk.audio.loads, 1);
    EXPECT_EQ(desk.audio.stops, 2);
    EXPECT_EQ(desk.audio.plays, 2);
}

TEST(Chime, RefusedSoundStaysSilentWithoutRetrying) {
    fake::FakeAudio audio;
    audio.refuse = true;
    Chime chime(audio);
    chime.play();
    chime.play();
    EXPECT_EQ(audio.loads, 1);
    EXPECT_EQ(chime.sound(), nullptr);
}

TEST_F(Breaks, AnimalsNeverRepeatWhenThereIsAChoiceAndComeEvenly) {
    std::map<std::string, int> counts;
    std::string previous;
    for (int i = 0; i < 6000; ++i) {
        app->breakNow();
        ASSERT_NE(lastAnimal(), previous);
        ++counts[previous = lastAnimal()];
    }
    ASSERT_EQ(counts.size(), 6u);
    for (const auto& [id, n] : counts)
        EXPECT_NEAR(n, 1000, 150) << id;
}

TEST_F(Breaks, AnimalsFollowThePreference) {
    const struct {
        std::vector<std::string> chosen;
        std::set<std::string> shown;
    } rows[] = {
        {{"frog"}, {"frog"}},
        {{"panda", "nonsense", "dog", "panda"}, {"panda", "dog"}},
        {{}, {"cat", "dog", "bunny", "panda", "frog", "penguin"}},
        {{"unicorn", "CAT"}, {"cat", "dog", "bunny", "panda", "frog", "penguin"}},
    };
    for (const auto& r : rows) {
        app->preferences().setAnimals(r.chosen);
        std::set<std::string> seen;
        for (int i = 0; i < 200; ++i) {
            app->breakNow();
            seen.insert(lastAnimal());
        }
        EXPECT_EQ(seen, r.shown);
    }
}

} // namespace
