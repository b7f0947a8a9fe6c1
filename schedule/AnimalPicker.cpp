#include "app/App.h"

#include "app/Constants.h"

#include <algorithm>

namespace lumio {

std::string App::pickAnimal() {
    const auto enabled = prefs.animals();
    std::vector<std::string> candidates;
    for (const auto& animal : ANIMALS) {
        if (std::ranges::find(enabled, animal.id) != enabled.end())
            candidates.emplace_back(animal.id);
    }
    if (candidates.empty()) {
        for (const auto& animal : ANIMALS)
            candidates.emplace_back(animal.id);
    }
    if (candidates.size() >= 2 && lastAnimal) std::erase(candidates, *lastAnimal);

    const auto index = platform.random.uniform(static_cast<std::uint32_t>(candidates.size()));
    lastAnimal = candidates.at(index);
    return *lastAnimal;
}

} // namespace lumio
