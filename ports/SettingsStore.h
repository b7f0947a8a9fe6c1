#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace lumio {

// A stored value: what a per-user key-value store can hold for us.
using SettingValue = std::variant<bool, std::int64_t, std::string, std::vector<std::string>>;

// The persistent per-user store. It knows nothing of defaults or typed
// reading rules: those belong to Prefs.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // The value the user (or another program) stored under key, if any.
    virtual std::optional<SettingValue> value(std::string_view key) const = 0;
    // Stores at once; a failure is reported by the store itself, never thrown.
    virtual void setValue(std::string_view key, SettingValue value) = 0;
};

} // namespace lumio
