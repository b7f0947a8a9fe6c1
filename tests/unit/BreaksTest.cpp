#include "support/AppHarness.h"

#include <map>
#include <set>

using namespace lumio;

class Breaks : public test::AppTest {
  protected:
    std::string lastAnimal() const {
        const auto& script = desk.overlay.scripts.back();
        const auto from = script.find('\'') + 1;
        return script.substr(from, script.find('\'', from) - from);
    }
    void answerAll() {
        for (const char* word : {"snooze", "done", "skip", "Done", "done ", "", "closed", "done"})
            desk.overlay.post(word);
    }
};

// The page may say anything any number of times; a break has one outcome.
TEST_F(Breaks, OneOutcomeCountsPerBreakShown) {
    desk.menu->menuOpened(); // the page is made ahead of a break the user may ask for
    answerAll();
    const auto screens = std::exchange(desk.screenList, {});
    app->breakNow(); // with no screen to show it on
    answerAll();
    EXPECT_EQ(stored("stat.snoozed") + stored("stat.done") + stored("stat.skipped"), 0);
    desk.screenList = screens;
    app->preferences().setIntervalMin(60);
    // Near misses leave the outcome to the next word, a snooze.
    const std::vector<std::pair<std::string, bool>> rows{{"snooze", true}, {"done", false},
                                                         {"skip", false},  {"closed", false},
                                                         {"Done", true},   {"snooze\n", true}};
    for (const auto& [first, snoozes] : rows) {
        app->breakNow();
        desk.overlay.post(first);
        answerAll();
        EXPECT_DOUBLE_EQ(secondsToNextBreak(), snoozes ? 300 : 3620) << first;
    }
    EXPECT_EQ(stored("stat.snoozed") * 100 + stored("stat.done") * 10 + stored("stat.skipped"),
              311);
    EXPECT_EQ(stored("totalDone") * 10 + stored("stat.shown"), 17);
}

TEST_F(Breaks, TheChimeIsMadeOnceAndRestartedForEachBreakUnlessRefused) {
    app->breakNow();
    app->preferences().setSound(true);
    app->breakNow();
    app->breakNow();
    EXPECT_EQ(desk.soundLoads * 100 + desk.stops * 10 + desk.plays, 122);
    desk.refuseSound = true;
    Chime refused(desk);
    refused.play();
    refused.play();
    EXPECT_EQ(desk.soundLoads, 2) << "no second try";
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
    EXPECT_EQ(word(4, 4) + 8, size);
    EXPECT_EQ(word(40, 4) + 44, size);
    EXPECT_EQ(word(16, 4) * 10000 + word(20, 2) * 100 + word(22, 2), 160101) << "PCM, mono";
    EXPECT_EQ(word(28, 4), rate * word(32, 2)) << "bytes a second";
    EXPECT_EQ(word(32, 2) * 100 + word(34, 2), 216) << "two-byte, sixteen-bit samples";
    std::int64_t last = 0;
    for (std::int64_t i = 0; i < rate; ++i)
        last = word(static_cast<std::size_t>(44 + 2 * i), 2) != 0 ? i : last;
    EXPECT_NEAR(static_cast<double>(last) / static_cast<double>(rate), 0.92, 0.001);
}

TEST_F(Breaks, AnimalsNeverRepeatWhenThereIsAChoiceAndComeEvenly) {
    const std::set<std::string> all{"cat", "dog", "bunny", "panda", "frog", "penguin"};
    const std::vector<std::pair<std::vector<std::string>, std::set<std::string>>> rows{
        {{"frog"}, {"frog"}},
        {{"panda", "nonsense", "dog", "panda"}, {"panda", "dog"}},
        {{}, all},
        {{"unicorn", "CAT"}, all}};
    for (const auto& [chosen, shown] : rows) {
        app->preferences().setAnimals(chosen);
        std::map<std::string, int> counts;
        for (int i = 0; i < 3000; ++i) {
            const auto previous = breaksShown() ? lastAnimal() : "";
            app->breakNow();
            ASSERT_TRUE(shown.size() == 1 || lastAnimal() != previous) << previous;
            ++counts[lastAnimal()];
        }
        EXPECT_EQ(counts.size(), shown.size());
        for (const auto& [id, n] : counts) // each chosen one about as often
            EXPECT_NEAR(shown.contains(id) ? n * static_cast<int>(shown.size()) : 0, 3000, 450);
    }
}
