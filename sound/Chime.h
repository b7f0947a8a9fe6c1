#pragma once

#include "ports/AudioOutput.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace lumio {

// The two-note chime (E5 then A5), synthesised in memory: no sound file ships.
// Main thread only, as the audio output it plays through.
class Chime {
  public:
    static constexpr std::size_t SAMPLE_RATE = 44100;
    static constexpr std::size_t WAV_SIZE = 44 + SAMPLE_RATE * 2;

    explicit Chime(AudioOutput& audio) : audio(audio) {}

    // One second of 16-bit mono PCM as a WAV image of WAV_SIZE bytes.
    static std::vector<std::uint8_t> synthesize();

    // The playable sound, made on first use and kept; null when the desktop
    // refused it.
    Sound* sound();
    // Cuts off a chime still sounding and plays it from the start.
    void play();

  private:
    AudioOutput& audio;
    // A load has been tried: a refused sound is not asked for again.
    bool made = false;
    std::unique_ptr<Sound> cached;
};

} // namespace lumio
