#include "support/AppHarness.h"

#include <map>
#include <set>
#include <tuple>

using namespace lumio;
using Breaks = test::AppTest;

TEST_F(Breaks, TheFirstAnswerCountsOnceUntilTheBreakClosesOrFailsAndTheChimeRingsWithSoundOn) {
    using enum PageEvent;
    const auto answerAll = [&] {
        for (const auto event : {Snoozed, Done, Skipped, Closed, Done})
            desk.overlay.post(event);
    };
    const auto tally = [&] {
        return std::tuple(stored("stat.snoozed"), stored("stat.done"), stored("stat.skipped"));
    };
    desk.menu->menuOpened(); // the page is made ahead of a break the user may ask for
    const auto screens = std::exchange(desk.screenList, {});
    app->breakNow(); // with no screen to show it on
    answerAll();
    EXPECT_EQ(tally(), std::tuple(0, 0, 0));
    desk.screenList = screens;
    prefs.setIntervalMin(60);
    // What comes first, whether the page fails after it, and whether the break was snoozed.
    const std::vector<std::tuple<std::vector<PageEvent>, bool, bool>> rows{
        {{Snoozed}, false, true},  {{Done, Snoozed}, false, false},
        {{Skipped}, false, false}, {{Closed, Snoozed}, false, false},
        {{}, true, false},         {{Snoozed, Snoozed}, true, true}};
    for (const auto& [first, fails, snoozes] : rows) {
        app->breakNow();
        for (const auto event : first)
            desk.overlay.post(event);
        if (fails) desk.overlay.web->onFail(PageFailure::Broken);
        answerAll();
        EXPECT_DOUBLE_EQ(secondsToNextBreak(), snoozes ? 300 : 3620);
    }
    EXPECT_EQ(tally(), std::tuple(2, 1, 1));
    EXPECT_EQ(std::tuple(stored("totalDone"), stored("stat.shown")), std::tuple(1, 7));
    desk.menu->menuOpened();
    EXPECT_EQ(item("today").title, "Hôm nay đã nghỉ mắt 1/7 lần");
    app->breakNow();
    prefs.setSound(true);
    app->breakNow();
    app->breakNow();
    EXPECT_EQ(std::tuple(desk.soundLoads, desk.stops, desk.plays), std::tuple(1, 2, 2));
    desk.refuseSound = true;
    Chime refused(desk);
    refused.play();
    refused.play();
    EXPECT_EQ(desk.soundLoads, 2) << "no second try";
}

TEST(Chime, OneSecondOfSixteenBitMonoPcmThatFallsSilentAfterTheSecondNote) {
    const auto wav = Chime::synthesize();
    const auto at = [&](std::size_t i) {
        return std::string(wav.begin() + i, wav.begin() + i + 4);
    };
    EXPECT_EQ(at(0) + at(8) + at(12) + at(36) + std::to_string(wav.size()),
              "RIFFWAVEfmt data88244");
    EXPECT_EQ(std::vector(wav.begin() + 20, wav.begin() + 24),
              (std::vector<std::uint8_t>{1, 0, 1, 0}));
    const auto size = [&](std::size_t i) { return wav[i] | wav[i + 1] << 8 | wav[i + 2] << 16; };
    EXPECT_EQ(std::tuple(size(4), size(16), size(28), size(40)),
              std::tuple(88236, 16, 88200, 88200))
        << "chunks, and the bytes a second a player reads at";
    std::size_t last = 0;
    int loudest = 0, steepest = 0, before = 0;
    for (std::size_t i = 44; i < wav.size(); i += 2) {
        last = (wav[i] | wav[i + 1]) != 0 ? i : last;
        const int sample = static_cast<std::int16_t>(wav[i] | wav[i + 1] << 8);
        loudest = std::max(loudest, std::abs(sample));
        steepest = std::max(steepest, std::abs(sample - std::exchange(before, sample)));
    }
    EXPECT_LT(loudest, 32767 / 2) << "a soft chime, far from clipping";
    EXPECT_LT(steepest, 1000) << "no click where a note's attack turns to its decay";
    EXPECT_NEAR(static_cast<double>(last - 44) / 2 / 44100, 0.92, 0.001);
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
        for (const auto& [id, n] : counts) // each allowed one about as often
            EXPECT_NEAR(allowed.contains(id) ? n * static_cast<int>(allowed.size()) : 0, 3000, 450);
    }
}
