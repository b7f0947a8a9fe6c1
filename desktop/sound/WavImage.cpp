#include "desktop/sound/WavImage.h"

#include <algorithm>
#include <cstring>

namespace lumio {

namespace {

constexpr std::size_t HEADER_SIZE = 44;

std::uint32_t littleEndian(const std::vector<std::uint8_t>& bytes, std::size_t at,
                           std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
    return value;
}

bool tagAt(const std::vector<std::uint8_t>& bytes, std::size_t at, const char* tag) {
    return std::memcmp(bytes.data() + at, tag, 4) == 0;
}

} // namespace

std::optional<WavImage> readWavHeader(const std::vector<std::uint8_t>& wav) {
    if (wav.size() < HEADER_SIZE || !tagAt(wav, 0, "RIFF") || !tagAt(wav, 8, "WAVE") ||
        !tagAt(wav, 12, "fmt ") || !tagAt(wav, 36, "data")) {
        return std::nullopt;
    }
    const auto encoding = littleEndian(wav, 20, 2);
    const auto channels = littleEndian(wav, 22, 2);
    const auto rate = littleEndian(wav, 24, 4);
    const auto bits = littleEndian(wav, 34, 2);
    constexpr std::uint32_t PCM = 1;
    if (encoding != PCM || bits != 16 || channels == 0 || rate == 0) return std::nullopt;
    const std::size_t declared = littleEndian(wav, 40, 4);
    return WavImage{.sampleRate = static_cast<int>(rate),
                    .channels = static_cast<int>(channels),
                    .dataOffset = HEADER_SIZE,
                    .dataSize = std::min(declared, wav.size() - HEADER_SIZE)};
}

} // namespace lumio
