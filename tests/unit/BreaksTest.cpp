#include "support/AppHarness.h"

#include <map>
#include <set>

using namespace lumio;

namespace {

class Breaks : public test::AppTest {
  protected:
    std::string lastAnimal() const {
        const auto& script = desk.overlay.scripts.back();
        const auto from = script.find('\'') + 1;
        return script.substr(from, script.find('\'', from) - from);
    }
    void answerAll() {
        for (const char* answer : {"snooze", "done", "skip", "Done", "done ", "", "closed"})
            desk.overlay.post(answer);
    }
};

// The page may say anything any number of times; a break has one outcome.
TEST_F(Breaks, OneOutcomeCountsPerBreakShown) {
    menu().menuOpened(); // the page is made ahead of a break the user may ask for
    answerAll();
    const auto screens = std::exchange(desk.overlay.fakeScreens.list, {});
    app->breakNow(); // with no screen to show it on
    answerAll();
    EXPECT_EQ(stored("stat.snoozed") + stored("stat.done") + stored("stat.skipped"), 0);
    desk.overlay.fakeScreens.list = screens;
    app->preferences().setIntervalMin(60);
    const struct {
        const char* first;
        bool snoozes; // a near miss leaves the outcome to the next word, a snooze
    } rows[] = {{"snooze", true},  {"done", false}, {"skip", false},
                {"closed", false}, {"Done", true},  {"snooze\n", true}};
    for (const auto& r : rows) {
        app->breakNow();
        desk.overlay.post(r.first);
        answerAll();
        answerAll();
        EXPECT_DOUBLE_EQ(secondsToNextBreak(), r.snoozes ? 300 : 3620) << r.first;
    }
    EXPECT_EQ(stored("stat.snoozed"), 3);
    EXPECT_EQ(stored("stat.done"), 1);
    EXPECT_EQ(stored("stat.skipped"), 1);
    EXPECT_EQ(stored("totalDone"), 1);
    EXPECT_EQ(stored("stat.shown"), 7);
}

TEST_F(Breaks, TheChimeIsMadeOnceAndRestartedForEachBreak) {
    app->breakNow();
    app->preferences().setSound(true);
    app->breakNow();
    app->breakNow();
    EXPECT_EQ(desk.audio.loads, 1);
    EXPECT_EQ(desk.audio.stops, 2);
    EXPECT_EQ(desk.audio.plays, 2);
    desk.audio = {};
    desk.audio.refuse = true;
    Chime refused(desk.audio);
    refused.play();
    refused.play();
    EXPECT_EQ(desk.audio.loads, 1) << "a refused sound stays silent without retrying";
}

TEST(Chime, AOneSecondSixteenBitMonoWavThatFallsSilentAfterTheSecondNote) {
    const auto wav = Chime::synthesize();
    const auto word = [&](std::size_t at, int bytes) {
        std::int64_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = v << 8 | wav.at(at + static_cast<std::size_t>(i));
        return bytes == 2 ? static_cast<std::int16_t>(v) : v;
    };
    const std::string text(wav.begin(), wav.begin() + 44);
    EXPECT_EQ(text.substr(0, 4) + text.substr(8, 8) + text.substr(36, 4), "RIFFWAVEfmt data");
    const auto rate = word(24, 4);
    const std::int64_t size = 44 + rate * 2; // one second of two-byte samples
    EXPECT_EQ(static_cast<std::int64_t>(wav.size()), size);
    EXPECT_EQ(word(4, 4), size - 8);
    EXPECT_EQ(word(40, 4), size - 44);
    EXPECT_EQ(word(16, 4) * 10000 + word(20, 2) * 100 + word(22, 2), 160101) << "PCM, mono";
    EXPECT_EQ(word(28, 4), rate * word(32, 2)) << "bytes a second";
    EXPECT_EQ(word(32, 2) * 100 + word(34, 2), 216) << "two-byte, sixteen-bit samples";
    std::int64_t last = 0;
    for (std::int64_t i = 0; i < rate; ++i)
        last = word(static_cast<std::size_t>(44 + 2 * i), 2) != 0 ? i : last;
    EXPECT_NEAR(static_cast<double>(last) / static_cast<double>(rate), 0.92, 0.001);
}

TEST_F(Breaks, AnimalsNeverRepeatWhenThereIsAChoiceAndComeEvenly) {
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
        std::map<std::string, int> counts;
        for (int i = 0; i < 6000; ++i) {
            const auto previous = breaksShown() ? lastAnimal() : "";
            app->breakNow();
            ASSERT_TRUE(r.shown.size() == 1 || lastAnimal() != previous) << previous;
            ++counts[lastAnimal()];
        }
        EXPECT_EQ(counts.size(), r.shown.size());
        for (const auto& [id, n] : counts) {
            EXPECT_TRUE(r.shown.contains(id)) << id;
            EXPECT_NEAR(n * static_cast<int>(r.shown.size()), 6000, 900) << id;
        }
    }
}

} // namespace
