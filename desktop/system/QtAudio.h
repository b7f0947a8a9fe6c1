#pragma once

#include "ports/Sound.h"

namespace lumio {

// Plays in-memory WAV images through the sound server. Without an output
// device every sound is refused, quietly.
class QtAudio final : public Audio {
  public:
    std::unique_ptr<Sound> makeSound(std::vector<std::uint8_t> wav) override;
};

} // namespace lumio
