#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace lumio {

// A stored value: what a per-user key-value store can hold for us.
using SettingValue = std::variant<bool, std::int64_t, std::string, std::vector<std::string>>;

// The stored values as one change sees and changes them.
class SettingsEditor {
  public:
    virtual ~SettingsEditor() = default;
    virtual std::optional<SettingValue> value(std::string_view key) const = 0;
    virtual void setValue(std::string_view key, SettingValue value) = 0;
};

// The persistent per-user store (a file under the user's config folder). It
// knows nothing of defaults or typed reading rules: those belong to Prefs.
// Main thread only. Nothing here throws: failures go to stderr and never cost
// a change already made.
class SettingsStore {
  public:
    // A change worked out from the values it reads, such as adding one to a counter.
    using Edit = std::function<void(SettingsEditor&)>;

    virtual ~SettingsStore() = default;
    // The value the user (or another program) stored under key, if any, with
    // every change made here on top, saved or not.
    virtual std::optional<SettingValue> value(std::string_view key) const = 0;
    // Stores at once: on success the file holds the value (replaced
    // atomically, so a crash leaves the old file or the new one). A change
    // that cannot be saved yet (a full disk, a file being edited, a file that
    // would grow too large to read back) is kept in memory, visible through
    // value(), and saved by the first later save that succeeds: with the next
    // change, on the store's own retries soon after, or as the store closes.
    virtual void setValue(std::string_view key, SettingValue value) = 0;
    // Runs edit on the stored values at once and stores what it sets, like
    // setValue. While the stored values cannot be read, edit may run again,
    // in the order the changes were made, on the values read once they can
    // be; only its last run counts, so it must depend on nothing but what it
    // reads through the editor.
    virtual void update(Edit edit) = 0;
};

} // namespace lumio
