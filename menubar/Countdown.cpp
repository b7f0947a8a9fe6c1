#include "menubar/Countdown.h"

#include <array>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace lumio {

std::string countdownText(double seconds) {
    // Halves round away from zero; anything not a positive finite number
    // reads 0:00 and anything past the largest integer is held there.
    const double rounded = std::round(seconds);
    constexpr double LIMIT = 9223372036854775807.0; // 2^63, the first double past int64
    std::int64_t s = 0;
    if (rounded >= LIMIT) {
        s = std::numeric_limits<std::int64_t>::max();
    } else if (rounded > 0) {
        s = static_cast<std::int64_t>(rounded);
    }
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%" PRId64 ":%02d", s / 60, static_cast<int>(s % 60));
    return text.data();
}

} // namespace lumio
