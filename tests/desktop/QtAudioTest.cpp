#include "desktop/system/QtAudio.h"
#include "sound/Chime.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace lumio;

namespace {

TEST(QtAudio, RefusesWhatIsNotA16BitPcmWav) {
    QtAudio audio;
    EXPECT_EQ(audio.makeSound({}), nullptr);
    EXPECT_EQ(audio.makeSound(std::vector<std::uint8_t>(100, 0)), nullptr);

    auto eightBit = Chime::synthesize();
    eightBit[34] = 8;
    EXPECT_EQ(audio.makeSound(eightBit), nullptr);

    auto compressed = Chime::synthesize();
    compressed[20] = 2;
    EXPECT_EQ(audio.makeSound(compressed), nullptr);
}

// With or without a sound server: either no sound at all, or one that plays
// and restarts without ever holding the caller up.
TEST(QtAudio, TheChimeNeverBlocks) {
    QtAudio audio;
    auto sound = audio.makeSound(Chime::synthesize());
    if (!sound) GTEST_SKIP() << "no audio output here";
    QElapsedTimer timer;
    timer.start();
    sound->play();
    sound->stop();
    sound->play();
    sound->play();
    EXPECT_LT(timer.elapsed(), 200);
}

} // namespace
