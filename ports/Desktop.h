#pragma once

#include "ports/Time.h"

#include <cstdint>
#include <string>

namespace lumio {

class LocaleFormat {
  public:
    virtual ~LocaleFormat() = default;
    // The user's short time of day, e.g. "14:05" or "2:05 PM".
    virtual std::string shortTime(Instant t) const = 0;
};

class RandomSource {
  public:
    virtual ~RandomSource() = default;
    // Uniform in [0, bound), without modulo bias; bound > 0.
    virtual std::uint32_t uniform(std::uint32_t bound) = 0;
};

class Application {
  public:
    virtual ~Application() = default;
    // Brings the program forward for a dialog the user asked for or must see.
    virtual void activate() = 0;
    virtual void terminate() = 0;
};

} // namespace lumio
