#pragma once

#include "ports/SettingsStore.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace lumio {

// Settings kept as one JSON object in a file people may also edit by hand. Every change is
// written at once and atomically, and whatever the file holds that we do not understand is kept
// as it is. Problems are reported on the log stream, never thrown, and never cost the user data:
// a file we cannot parse is moved aside, a file we cannot read (or that is no regular file) is
// left alone, and a settings.json that links elsewhere is written through to where it points.
class JsonSettingsStore final : public SettingsStore {
  public:
    // Runs after the new contents are safely in the temporary file and before that file replaces
    // the settings file, so tests can stop a save at its most delicate point.
    using BeforeRename = std::function<void()>;

    // $XDG_CONFIG_HOME/lumio/settings.json, or ~/.config/lumio/settings.json when
    // XDG_CONFIG_HOME is unset, empty or relative.
    static std::filesystem::path defaultPath();

    // Reads the file at once. A missing file (or folder) is an empty store; nothing is created
    // until the first change.
    explicit JsonSettingsStore(std::filesystem::path file, std::ostream& log = std::cerr,
                               BeforeRename beforeRename = {});

    std::optional<SettingValue> value(std::string_view key) const override;
    void setValue(std::string_view key, SettingValue value) override;
    void update(Edit edit) override;

    // Re-reads the file when someone else changed it since we last read or wrote it; costs one
    // stat when nothing changed. Returns true when the stored values changed. Changes that could
    // not be saved yet stay on top of what is read, and are saved once the file is usable again.
    bool reloadIfChanged();

  private:
    // One version of the file, so that telling whether it changed needs no reading.
    struct FileStamp {
        dev_t device{};
        ino_t inode{};
        off_t size{};
        std::int64_t modifiedNs{};
        std::int64_t changedNs{};
        bool operator==(const FileStamp&) const = default;
    };

    enum class FileState { Missing, Unreadable, Unusable, Usable };

    struct FileContents {
        FileState state;
        nlohmann::ordered_json object;
        std::string problem;
        std::optional<FileStamp> stamp;
    };

    void load();
    bool reload();
    void trySave();
    void save();
    bool mergeFileBeforeSave();
    void writeFile(const nlohmann::ordered_json& object);
    FileContents readFile() const;
    bool adopt(nlohmann::ordered_json object);
    nlohmann::ordered_json withPending(nlohmann::ordered_json object) const;
    void setAside(const std::string& problem, const std::string& outcome);
    std::filesystem::path moveAside() const;
    std::filesystem::path linkTarget() const;
    void removeStaleTempFiles() const;
    void report(const std::string& line) const;

    static std::optional<FileStamp> stampOf(const std::filesystem::path& file);
    static FileStamp stampOf(const struct stat& info);

    std::filesystem::path file_;
    std::ostream& log_;
    BeforeRename beforeRename_;
    // What the file held when we last read or wrote it.
    nlohmann::ordered_json disk_ = nlohmann::ordered_json::object();
    // Changes not saved yet, in the order they were made. Each is made again on what the file
    // holds at the next save, so none overwrites a value it did not mean to change.
    std::vector<Edit> pending_;
    // disk_ with the pending changes made: what value() reads.
    nlohmann::ordered_json current_ = nlohmann::ordered_json::object();
    std::optional<FileStamp> stamp_;
    // Someone else's change, found while saving, that reloadIfChanged has not reported yet.
    bool unseenChange_ = false;
    // A save waits for someone who is writing the file; reloadIfChanged tries again.
    bool waitingForWriter_ = false;
};

} // namespace lumio
