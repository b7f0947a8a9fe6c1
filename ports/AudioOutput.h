#pragma once
#include <cstdint>
#include <memory>
#include <vector>

namespace lumio {

// A short sound kept ready to play. Main thread.
class Sound {
  public:
    virtual ~Sound() = default;

    // Plays from the beginning, stopping a playback still running; returns at
    // once.
    virtual void play() = 0;
    // Stops a playback; harmless when none runs.
    virtual void stop() = 0;
};

// The user's sound output. Main thread.
class AudioOutput {
  public:
    virtual ~AudioOutput() = default;

    // A playable sound from an in-memory WAV image (16-bit PCM), or null,
    // quietly, when the image is refused. Without an output device a
    // playback ends at once, quietly. Playback stops when the Sound is
    // destroyed.
    virtual std::unique_ptr<Sound> load(std::vector<std::uint8_t> wav) = 0;
};

} // namespace lumio
