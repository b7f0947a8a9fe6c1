#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace lumio {

// Where the samples of a WAV image are and how to play them: only the
// canonical 44-byte header of 16-bit PCM, the one layout Lumio makes.
struct WavImage {
    int sampleRate = 0;
    int channels = 0;
    std::size_t dataOffset = 0;
    std::size_t dataSize = 0;
};

// nullopt for any other layout; a data size past the end is cut to what is there.
std::optional<WavImage> readWavHeader(const std::vector<std::uint8_t>& wav);

} // namespace lumio
