#include "support/AppHarness.h"

#include <map>
#include <set>
#include <tuple>

using namespace lumio;
using Breaks = test::AppTest;

// The page may say anything any number of times; a break has one outcome, its first.
TEST_F(Breaks, OneOutcomeCountsPerBreakShown) {
    const auto answerAll = [&] {
        for (const char* word : {"snooze", "done", "skip", "Done", "done ", "", "closed", "done"})
            desk.overlay.post(word);
    };
    const auto tally = [&] {
        return std::tuple(stored("stat.snoozed"), stored("stat.done"), stored("stat.skipped"));
    };
    desk.menu->menuOpened(); // the page is made ahead of a break the user may ask for
    answerAll();
    desk.screenList.clear();
    app->breakNow(); // with no screen to show it on
    answerAll();
    EXPECT_EQ(tally(), std::tuple(0, 0, 0));
    desk.screenList.resize(1);
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
    EXPECT_EQ(tally(), std::tuple(3, 1, 1));
    EXPECT_EQ(std::tuple(stored("totalDone"), stored("stat.shown")), std::tuple(1, 7));
}

TEST_F(Breaks, TheChimeIsMadeOnceAndRestartedForEachBreakUnlessRefused) {
    app->breakNow();
    app->preferences().setSound(true);
    app->breakNow();
    app->breakNow();
    EXPECT_EQ(std::tuple(desk.soundLoads, desk.stops, desk.plays), std::tuple(1, 2, 2));
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
    const auto rate = word(24, 4), size = static_cast<std::int64_t>(wav.size());
    // Sizes, PCM, mono, bytes a second and a sample, bits a sample; one second long.
    EXPECT_EQ(
        std::vector({word(4, 4), word(16, 4), word(40, 4), word(20, 2), word(22, 2), word(28, 4),
                     word(32, 2), word(34, 2), size}),
        std::vector<std::int64_t>({size - 8, 16, size - 44, 1, 1, rate * 2, 2, 16, 44 + rate * 2}));
    std::int64_t last = 0;
    for (std::int64_t i = 0; i < rate; ++i)
        last = word(static_cast<std::size_t>(44 + 2 * i), 2) != 0 ? i : last;
    EXPECT_NEAR(static_cast<double>(last) / static_cast<double>(rate), 0.92, 0.001);
}

TEST(Animals, NeverTheSameTwiceWhenThereIsAChoiceAndEachAboutAsOften) {
    fake::FakeDesktop desk(0);
    AnimalPicker picker(desk);
    const std::set<std::string> all{"cat", "dog", "bunny", "panda", "frog", "penguin"};
    const std::vector<std::pair<std::vector<std::string>, std::set<std::string>>> rows{
        {{"frog"}, {"frog"}},
        {{"panda", "nonsense", "dog", "panda"}, {"panda", "dog"}},
        {{}, all},
        {{"unicorn", "CAT"}, all}};
    for (const auto& [chosen, allowed] : rows) {
        std::map<std::string, int> counts;
        std::string last;
        for (int i = 0; i < 3000; ++i) {
            const auto animal = picker.pickAnimal(chosen);
            ASSERT_TRUE(allowed.size() == 1 || animal != last) << animal;
            ++counts[last = animal];
        }
        EXPECT_EQ(counts.size(), allowed.size());
        for (const auto& [id, n] : counts) // each allowed one about as often
            EXPECT_NEAR(allowed.contains(id) ? n * static_cast<int>(allowed.size()) : 0, 3000, 450);
    }
}
