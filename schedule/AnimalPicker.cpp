#include "schedule/AnimalPicker.h"

#include "ports/Animals.h"

#include <algorithm>
#include <cstdint>

namespace lumio {

std::string AnimalPicker::pickAnimal(const std::vector<std::string>& chosen) {
    std::vector<std::string> candidates;
    for (const auto& animal : ANIMALS) {
        if (std::ranges::find(chosen, animal.id) != chosen.end())
            candidates.emplace_back(animal.id);
    }
    if (candidates.empty()) {
        for (const auto& animal : ANIMALS)
            candidates.emplace_back(animal.id);
    }
    if (candidates.size() >= 2 && lastAnimal) std::erase(candidates, *lastAnimal);

    const auto index = random.uniform(static_cast<std::uint32_t>(candidates.size()));
    lastAnimal = candidates.at(index);
    return *lastAnimal;
}

} // namespace lumio
