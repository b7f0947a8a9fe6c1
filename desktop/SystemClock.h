#pragma once

#include "ports/Clock.h"

namespace lumio {

class SystemClock final : public Clock {
  public:
    Instant now() const override {
        return std::chrono::time_point_cast<Seconds>(std::chrono::system_clock::now());
    }
};

} // namespace lumio
