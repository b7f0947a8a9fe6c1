#include "prefs/Prefs.h"

#include "ports/Animals.h"

namespace lumio {

namespace {

std::vector<std::string> allAnimalIds() {
    std::vector<std::string> ids;
    ids.reserve(ANIMALS.size());
    for (const auto& animal : ANIMALS)
        ids.emplace_back(animal.id);
    return ids;
}

template <typename T> std::optional<T> as(const std::optional<SettingValue>& v) {
    if (v && std::holds_alternative<T>(*v)) return std::get<T>(*v);
    return std::nullopt;
}

} // namespace

void Prefs::registerDefaults() {
    defaults = {
        {"enabled", true},
        {"intervalMin", std::int64_t{20}},
        {"breakSec", std::int64_t{20}},
        {"dim", true},
        {"sound", false},
        {"idleReset", true},
        {"animals", allAnimalIds()},
    };
}

// A stored value of another type than the setting's is taken for a slip of the hand: the
// setting reads as if nothing were stored.
template <typename T> std::optional<T> Prefs::lookup(std::string_view key) const {
    if (auto stored = as<T>(store.value(key))) return stored;
    if (const auto it = defaults.find(key); it != defaults.end()) return as<T>(it->second);
    return std::nullopt;
}

bool Prefs::flag(std::string_view key) const {
    return lookup<bool>(key).value_or(false);
}

std::int64_t Prefs::integer(std::string_view key) const {
    return lookup<std::int64_t>(key).value_or(0);
}

std::optional<std::string> Prefs::text(std::string_view key) const {
    return lookup<std::string>(key);
}

std::optional<std::vector<std::string>> Prefs::textList(std::string_view key) const {
    return lookup<std::vector<std::string>>(key);
}

std::vector<std::string> Prefs::animals() const {
    return textList("animals").value_or(allAnimalIds());
}

} // namespace lumio
