#pragma once
#include <cstdint>

namespace lumio {

// Random numbers for choices the user should find varied, not for secrets.
// Main thread.
class RandomSource {
  public:
    virtual ~RandomSource() = default;

    // Uniform in [0, bound), without modulo bias. Requires bound > 0.
    virtual std::uint32_t uniform(std::uint32_t bound) = 0;
};

} // namespace lumio
