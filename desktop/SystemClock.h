#pragma once

#include "ports/Clock.h"

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

  private:
    const double scale;
    const std::chrono::system_clock::time_point wallStart;
    const std::chrono::steady_clock::time_point steadyStart;
};

} // namespace lumio
