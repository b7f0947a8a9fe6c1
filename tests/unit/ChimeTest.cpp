#include "sound/Chime.h"
#include "fakes/FakeDesktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace lumio;

namespace {

std::int16_t sampleAt(const std::vector<std::uint8_t>& wav, std::size_t i) {
    const auto lo = wav.at(44 + 2 * i);
    const auto hi = wav.at(44 + 2 * i + 1);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
}

std::uint32_t u32At(const std::vector<std::uint8_t>& wav, std::size_t at) {
    return wav[at] | (wav[at + 1] << 8) | (wav[at + 2] << 16) |
           (static_cast<std::uint32_t>(wav[at + 3]) << 24);
}

} // namespace

TEST(ChimeImage, HeaderIsCanonical16BitMonoWav) {
    const auto wav = Chime::synthesize();
    ASSERT_EQ(wav.size(), 88244u);
    EXPECT_EQ(0, std::memcmp(wav.data(), "RIFF", 4));
    EXPECT_EQ(u32At(wav, 4), 88236u);
    EXPECT_EQ(0, std::memcmp(wav.data() + 8, "WAVEfmt ", 8));
    EXPECT_EQ(u32At(wav, 16), 16u);
    EXPECT_EQ(wav[20] | wav[21] << 8, 1); // PCM
    EXPECT_EQ(wav[22] | wav[23] << 8, 1); // mono
    EXPECT_EQ(u32At(wav, 24), 44100u);
    EXPECT_EQ(u32At(wav, 28), 88200u);
    EXPECT_EQ(wav[32] | wav[33] << 8, 2);
    EXPECT_EQ(wav[34] | wav[35] << 8, 16);
    EXPECT_EQ(0, std::memcmp(wav.data() + 36, "data", 4));
    EXPECT_EQ(u32At(wav, 40), 88200u);
}

TEST(ChimeImage, SamplesFollowTheTwoNotes) {
    const auto wav = Chime::synthesize();
    const std::vector<int> first{0, 0, 2, 5, 9, 15};
    for (std::size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(sampleAt(wav, i), first[i]) << i;

    std::size_t peakAt = 0;
    int peak = 0;
    int lowest = 0;
    for (std::size_t i = 0; i < 44100; ++i) {
        const int s = sampleAt(wav, i);
        if (s > peak) {
            peak = s;
            peakAt = i;
        }
        lowest = std::min(lowest, s);
    }
    EXPECT_NEAR(peak, 7232, 1);
    EXPECT_NEAR(static_cast<double>(peakAt) / 44100.0, 0.193, 0.005);
    EXPECT_GE(lowest, -32767);
    // Both notes end at 0.92 s; the rest is silence.
    for (std::size_t i = 40573; i < 44100; ++i)
        ASSERT_EQ(sampleAt(wav, i), 0) << i;
    EXPECT_NE(sampleAt(wav, 40571), 0);
}

TEST(ChimePlayback, SynthesisedOnceAndRestartedOnEveryPlay) {
    fake::FakeAudio audio;
    Chime chime(audio);
    EXPECT_EQ(audio.made, 0) << "nothing is computed before the first play";
    chime.play();
    chime.play();
    EXPECT_EQ(audio.made, 1);
    EXPECT_EQ(audio.wavSize, 88244u);
    EXPECT_EQ(audio.plays, 2);
    EXPECT_EQ(audio.stops, 2) << "each play cuts off the one still sounding";
}

TEST(ChimePlayback, RefusedSoundStaysSilentWithoutRetrying) {
    fake::FakeAudio audio;
    audio.refuse = true;
    Chime chime(audio);
    chime.play();
    chime.play();
    EXPECT_EQ(audio.made, 1);
    EXPECT_EQ(audio.plays, 0);
    EXPECT_EQ(chime.sound(), nullptr);
}
