#pragma once

#include "ports/Clock.h"

#include <ctime>

namespace lumio {

// The wall clock; run faster by a time scale above 1, from the moment the
// clock was made, for benchmarks.
class SystemClock final : public Clock {
  public:
    explicit SystemClock(double scale = 1.0)
        : scale(scale), wallStart(std::chrono::system_clock::now()),
          steadyStart(std::chrono::steady_clock::now()) {}

    Instant now() const override {
        // Unscaled it is the wall clock itself, so the user's clock changes
        // (time zone, NTP, manual) reach the scheduler.
        if (scale == 1.0)
            return std::chrono::time_point_cast<Seconds>(std::chrono::system_clock::now());
        const Seconds elapsed = std::chrono::steady_clock::now() - steadyStart;
        return std::chrono::time_point_cast<Seconds>(wallStart) + elapsed * scale;
    }

    // CLOCK_BOOTTIME counts suspended time, CLOCK_MONOTONIC does not.
    Seconds timeAsleep() const override {
        timespec boot{};
        timespec mono{};
        if (clock_gettime(CLOCK_BOOTTIME, &boot) != 0 || clock_gettime(CLOCK_MONOTONIC, &mono) != 0)
            return Seconds{0};
        return Seconds{static_cast<double>(boot.tv_sec - mono.tv_sec) +
                       static_cast<double>(boot.tv_nsec - mono.tv_nsec) * 1e-9};
    }

  private:
    const double scale;
    const std::chrono::system_clock::time_point wallStart;
    const std::chrono::steady_clock::time_point steadyStart;
};

} // namespace lumio
