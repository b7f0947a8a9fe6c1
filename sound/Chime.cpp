#include "sound/Chime.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

namespace lumio {

namespace {

constexpr double NOTE_LENGTH = 0.75;
constexpr double ATTACK = 0.02;
constexpr double DECAY_RATE = -8.0;
constexpr double PEAK = 0.18;
constexpr double E5 = 4142.189913758142; // 2π × 659.25 Hz
constexpr double A5 = 5529.203070318036; // 2π × 880 Hz
constexpr double A5_DELAY = -0.17;

void addNote(std::vector<float>& buffer, double angular, double offset) {
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(Chime::SAMPLE_RATE) + offset;
        if (t < 0 || t > NOTE_LENGTH) continue;
        const double envelope = t < ATTACK ? t / ATTACK : std::exp((t - ATTACK) * DECAY_RATE);
        buffer[i] += static_cast<float>(std::sin(t * angular) * (envelope * PEAK));
    }
}

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xff));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v & 0xffff));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

void putTag(std::vector<std::uint8_t>& out, std::string_view tag) {
    out.insert(out.end(), tag.begin(), tag.end());
}

std::int16_t toPcm(float s) {
    return static_cast<std::int16_t>(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
}

} // namespace

std::vector<std::uint8_t> Chime::synthesize() {
    std::vector<float> buffer(SAMPLE_RATE, 0.0f);
    addNote(buffer, E5, 0.0);
    addNote(buffer, A5, A5_DELAY);

    constexpr std::uint32_t dataSize = SAMPLE_RATE * 2;
    std::vector<std::uint8_t> wav;
    wav.reserve(WAV_SIZE);
    putTag(wav, "RIFF");
    put32(wav, 36 + dataSize);
    putTag(wav, "WAVEfmt ");
    put32(wav, 16);
    put16(wav, 1); // integer PCM
    put16(wav, 1); // mono
    put32(wav, SAMPLE_RATE);
    put32(wav, SAMPLE_RATE * 2);
    put16(wav, 2);
    put16(wav, 16);
    putTag(wav, "data");
    put32(wav, dataSize);
    for (const float s : buffer)
        put16(wav, static_cast<std::uint16_t>(toPcm(s)));
    return wav;
}

Sound* Chime::sound() {
    if (!std::exchange(made, true)) cached = audio.load(synthesize());
    return cached.get();
}

void Chime::play() {
    if (auto* s = sound()) {
        s->stop();
        s->play();
    }
}

} // namespace lumio
