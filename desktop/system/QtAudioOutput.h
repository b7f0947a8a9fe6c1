#pragma once

#include "ports/AudioOutput.h"

namespace lumio {

// Plays in-memory WAV images through the sound server. Without an output
// device every sound is refused, quietly.
class QtAudioOutput final : public AudioOutput {
  public:
    std::unique_ptr<Sound> load(std::vector<std::uint8_t> wav) override;
};

} // namespace lumio
