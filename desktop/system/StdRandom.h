#pragma once

#include "ports/RandomSource.h"

#include <random>

namespace lumio {

class StdRandom final : public RandomSource {
  public:
    StdRandom() : engine(std::random_device{}()) {}
    std::uint32_t uniform(std::uint32_t bound) override {
        return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(engine);
    }

  private:
    std::mt19937 engine;
};

} // namespace lumio
