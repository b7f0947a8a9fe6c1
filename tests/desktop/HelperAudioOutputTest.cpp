#include "desktop/system/HelperAudioOutput.h"
#include "sound/Chime.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <filesystem>

using namespace lumio;
namespace fs = std::filesystem;

namespace {

TEST(HelperAudioOutput, RefusesAnythingButSixteenBitPcm) {
    HelperAudioOutput audio("/nonexistent/lumio-sound");
    const auto wav = Chime::synthesize();
    auto eightBit = wav;
    eightBit[34] = 8;
    auto notWave = wav;
    notWave[8] = 'X';
    EXPECT_TRUE(audio.load(wav));
    EXPECT_FALSE(audio.load(eightBit));
    EXPECT_FALSE(audio.load(notWave));
    EXPECT_FALSE(audio.load({wav.begin(), wav.begin() + 43}));
}

TEST(HelperAudioOutput, EachPlaybackHandsThePlayerTheWholeImage) {
    const test::TempDir folder;
    const auto player = folder / "player";
    test::writeText(player, "#!/bin/sh\ncat > \"$0.heard\"\n");
    fs::permissions(player, fs::perms::owner_all);
    HelperAudioOutput audio(player);
    const auto wav = Chime::synthesize();
    const auto sound = audio.load(wav);
    ASSERT_TRUE(sound);
    for (int time = 0; time < 2; ++time) {
        fs::remove(folder / "player.heard");
        sound->play();
        QElapsedTimer waited;
        waited.start();
        while (test::readText(folder / "player.heard").size() < wav.size() &&
               waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        EXPECT_EQ(test::readText(folder / "player.heard"), std::string(wav.begin(), wav.end()));
    }
}

} // namespace
