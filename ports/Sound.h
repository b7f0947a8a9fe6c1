#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace lumio {

class Sound {
  public:
    virtual ~Sound() = default;
    virtual void stop() = 0;
    virtual void play() = 0; // from the beginning; never blocks
};

class Audio {
  public:
    virtual ~Audio() = default;
    // A playable sound from an in-memory WAV image, or null when refused.
    virtual std::unique_ptr<Sound> makeSound(std::vector<std::uint8_t> wav) = 0;
};

} // namespace lumio
