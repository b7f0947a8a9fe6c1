#pragma once

#include "ports/RandomSource.h"

#include <optional>
#include <string>
#include <vector>

namespace lumio {

// Which animal comes to a break: one of those the user chose, at random, never
// the one of the break before when there is a choice.
class AnimalPicker {
  public:
    explicit AnimalPicker(RandomSource& random) : random(random) {}

    // From the chosen ids that name an animal; from every animal when none does.
    std::string pickAnimal(const std::vector<std::string>& chosen);

  private:
    RandomSource& random;
    std::optional<std::string> lastAnimal;
};

} // namespace lumio
