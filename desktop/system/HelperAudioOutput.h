#pragma once

#include "ports/AudioOutput.h"

#include <filesystem>

namespace lumio {

// Plays in-memory WAV images through the sound server, each playback in a
// short-lived lumio-sound process, so that the tray keeps no sound server
// client (Qt Multimedia, PulseAudio and their codecs) between breaks. A
// refused image gives no sound; without an output device a playback ends at
// once, quietly.
class HelperAudioOutput final : public AudioOutput {
  public:
    explicit HelperAudioOutput(std::filesystem::path player);
    std::unique_ptr<Sound> load(std::vector<std::uint8_t> wav) override;

  private:
    std::filesystem::path player;
};

} // namespace lumio
