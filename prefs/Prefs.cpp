#include "prefs/Prefs.h"

#include "app/Constants.h"

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

std::optional<SettingValue> Prefs::lookup(std::string_view key) const {
    if (auto stored = store.value(key)) return stored;
    if (const auto it = defaults.find(key); it != defaults.end()) return it->second;
    return std::nullopt;
}

bool Prefs::boolForKey(std::string_view key) const {
    return as<bool>(lookup(key)).value_or(false);
}

std::int64_t Prefs::integerForKey(std::string_view key) const {
    return as<std::int64_t>(lookup(key)).value_or(0);
}

std::optional<std::string> Prefs::stringForKey(std::string_view key) const {
    return as<std::string>(lookup(key));
}

std::optional<std::vector<std::string>> Prefs::stringArrayForKey(std::string_view key) const {
    return as<std::vector<std::string>>(lookup(key));
}

std::vector<std::string> Prefs::animals() const {
    return stringArrayForKey("animals").value_or(allAnimalIds());
}

} // namespace lumio
