#pragma once
#include <chrono>

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

} // namespace lumio
