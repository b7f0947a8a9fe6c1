#pragma once

#include "ports/SettingsStore.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace lumio {

// Settings kept as one JSON object in a file people may also edit by hand. Every change is
// written at once and atomically, and whatever the file holds that we do not understand is kept
// as it is. Problems are said on stderr (files/Diagnostics.h), never thrown, and never cost the
// user data: a file we cannot parse is moved aside, a file we cannot read (or that is no regular
// file) is left alone, and a settings.json that links elsewhere is written through to where it
// points.
class JsonSettingsStore final : public SettingsStore {
  public:
    // Runs after the new contents are safely in the temporary file and before that file replaces
    // the settings file (and before the store looks whether someone replaced it meanwhile), so
    // tests can stop a save, or change the file, at its most delicate point.
    using BeforeRename = std::function<void()>;

    // lumio/settings.json in the config home (files/XdgFolders.h).
    static std::filesystem::path defaultPath();

    // Reads the file at once. A missing file (or folder) is an empty store; nothing is created
    // until the first change.
    explicit JsonSettingsStore(std::filesystem::path file, BeforeRename beforeRename = {});
    // Tries once more to save changes that could not be saved yet.
    ~JsonSettingsStore() override;
    JsonSettingsStore(const JsonSettingsStore&) = delete;
    JsonSettingsStore& operator=(const JsonSettingsStore&) = delete;

    std::optional<SettingValue> value(std::string_view key) const override;
    void setValue(std::string_view key, SettingValue value) override;
    void update(Edit edit) override;

    // Re-reads the file when someone else changed it since we last read or wrote it; costs one
    // stat when nothing changed. Returns true when the stored values changed. Changes that could
    // not be saved yet stay on top of what is read, and are tried again here when the file
    // changed or when what stopped them may have passed (a full disk, a folder made read-only,
    // an editor's save in progress); call it when the file changes, and every second or two
    // while savePending().
    bool reloadIfChanged();
    // Changes wait to be saved until what stopped them may have passed.
    bool savePending() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace lumio
