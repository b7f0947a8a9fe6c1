#pragma once
#include <algorithm>
#include <chrono>
#include <optional>

namespace lumio {

// Instants and durations are double-precision seconds: any interval, however
// absurd, stays representable (no integer overflow on `now + lead`).
using Seconds = std::chrono::duration<double>;
using Instant = std::chrono::time_point<std::chrono::system_clock, Seconds>;

inline Instant instantFromEpoch(double secs) {
    return Instant{Seconds{secs}};
}

inline double epochSeconds(Instant t) {
    return t.time_since_epoch().count();
}

// The earlier of two instants that may not be.
inline std::optional<Instant> earliest(std::optional<Instant> a, std::optional<Instant> b) {
    if (a && b) return std::min(*a, *b);
    return a ? a : b;
}

} // namespace lumio
