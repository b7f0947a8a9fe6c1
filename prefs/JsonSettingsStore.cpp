#include "prefs/JsonSettingsStore.h"

#include "files/AtomicReplace.h"
#include "files/Diagnostics.h"
#include "files/LinkTarget.h"
#include "files/LocalTime.h"
#include "files/MakeFolders.h"
#include "files/RenameNoReplace.h"
#include "files/XdgFolders.h"
#include "prefs/SettingsFileText.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <ctime>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace lumio {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

// A younger leftover temporary file may belong to another instance that is saving right now.
constexpr auto STALE_TEMP_AGE = std::chrono::minutes(1);
// Our own values nest two deep. Deeper JSON would only exhaust the stack of the recursive
// copies, comparisons and dumps of a parsed file.
constexpr int MAX_DEPTH = 64;
// An editor that saves in place empties the file and writes it again, a slow one seconds later;
// a broken file modified more recently than this may still be on its way.
constexpr auto WRITER_GRACE = std::chrono::seconds(10);
// Saves that find the file replaced just before their rename start over this often, then wait
// for the next chance.
constexpr int SAVE_ATTEMPTS = 5;

// The line names the settings file already: a failure on it is said without its path.
std::string failureOn(const fs::path& file, const Status& status) {
    return status.path() == file ? status.step() + ": " + status.reason() : status.text();
}

// nlohmann starts its messages with an exception tag that means nothing to a user.
std::string withoutExceptionTag(std::string_view message) {
    const auto tagEnd = message.find("] ");
    return std::string(tagEnd == std::string_view::npos ? message : message.substr(tagEnd + 2));
}

// The settings object in text, or why the text is not one.
struct Parsed {
    std::optional<Json> object;
    std::string problem;
};

Parsed parseSettings(const std::string& text) {
    bool tooDeep = false;
    // The parser itself keeps no stack of calls; dropping what lies too deep means nothing deep
    // is ever built.
    const auto limitDepth = [&tooDeep](int depth, Json::parse_event_t, const Json&) {
        if (depth < MAX_DEPTH) return true;
        tooDeep = true;
        return false;
    };
    try {
        Json parsed = Json::parse(text, limitDepth);
        if (tooDeep)
            return {std::nullopt, "nested deeper than " + std::to_string(MAX_DEPTH) + " levels"};
        if (parsed.is_object()) return {std::move(parsed), {}};
        return {std::nullopt, std::string("expected a JSON object at the top level, found ") +
                                  parsed.type_name()};
    } catch (const Json::parse_error& error) {
        return {std::nullopt, withoutExceptionTag(error.what())};
    }
}

Json toJson(const SettingValue& value) {
    return std::visit([](const auto& held) { return Json(held); }, value);
}

std::optional<SettingValue> stringList(const Json& array) {
    std::vector<std::string> strings;
    for (const auto& element : array) {
        if (!element.is_string()) return std::nullopt;
        strings.push_back(element.get<std::string>());
    }
    return SettingValue{std::move(strings)};
}

// Non-negative JSON integers arrive unsigned; past INT64_MAX they are no setting of ours.
std::optional<SettingValue> signedInteger(const Json& number) {
    if (number.is_number_unsigned()) {
        const auto unsignedValue = number.get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return std::nullopt;
        return SettingValue{static_cast<std::int64_t>(unsignedValue)};
    }
    return SettingValue{number.get<std::int64_t>()};
}

std::optional<SettingValue> fromJson(const Json& stored) {
    if (stored.is_boolean()) return SettingValue{stored.get<bool>()};
    if (stored.is_number_integer()) return signedInteger(stored);
    if (stored.is_string()) return SettingValue{stored.get<std::string>()};
    if (stored.is_array()) return stringList(stored);
    return std::nullopt;
}

// A change made on a settings object.
class JsonEditor final : public SettingsEditor {
  public:
    explicit JsonEditor(Json& object) : object_(object) {}

    std::optional<SettingValue> value(std::string_view key) const override {
        const auto found = object_.find(key);
        if (found == object_.end()) return std::nullopt;
        return fromJson(*found);
    }
    void setValue(std::string_view key, SettingValue value) override {
        object_[std::string(key)] = toJson(value);
    }

  private:
    Json& object_;
};

std::string localTimestamp() {
    const auto local = localTime(std::time(nullptr)).value_or(std::tm{});
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y%m%d-%H%M%S", &local);
    return text.data();
}

struct FileContents {
    FileState state;
    Json object;
    std::string problem;
    std::optional<FileStamp> stamp;
};

// A save that could not succeed without another change or a changed file.
class TooLargeToSave : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Pretty for people to read, unless that would pass what is read back. Strings are written as
// UTF-8; invalid bytes become U+FFFD rather than making the save fail.
std::string settingsText(const Json& object) {
    for (const int indent : {2, -1}) {
        auto text = object.dump(indent, ' ', false, Json::error_handler_t::replace) + '\n';
        if (text.size() <= MAX_SETTINGS_BYTES) return text;
    }
    throw TooLargeToSave("the settings would be larger than 1 MiB, too large to read back");
}

} // namespace

struct JsonSettingsStore::State {
    State(fs::path file, BeforeRename beforeRename)
        : file_(std::move(file)), beforeRename_(std::move(beforeRename)) {}

    void load();
    bool reload();
    void trySave();
    void save();
    void mergeFileBeforeSave();
    bool writeFile(const Json& object);
    FileContents readFile() const;
    bool adopt(Json object);
    Json withPending(Json object) const;
    void setAside(const std::string& problem, const std::string& outcome);
    fs::path moveAside() const;
    void fail(const std::string& line, bool retrySoon);

    fs::path file_;
    BeforeRename beforeRename_;
    // What the file held when we last read or wrote it.
    Json disk_ = Json::object();
    // Changes not saved yet, in the order they were made. Each is made again on what the file
    // holds at the next save, so none overwrites a value it did not mean to change.
    std::vector<Edit> pending_;
    // disk_ with the pending changes made: what value() reads.
    Json current_ = Json::object();
    std::optional<FileStamp> stamp_;
    // Someone else's change, found while saving, that reloadIfChanged has not reported yet.
    bool unseenChange_ = false;
    // The last save failed for a reason that may pass by itself (a full disk, a folder made
    // read-only, an editor's save in progress): reloadIfChanged tries again.
    bool retrySoon_ = false;
    // The log line of the failure since the last save that succeeded, said once.
    std::string failure_;
};

// A save that waits for someone who is writing the file; the message is the log line.
class WaitingForWriter : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::filesystem::path JsonSettingsStore::defaultPath() {
    return configHome() / "lumio" / "settings.json";
}

JsonSettingsStore::JsonSettingsStore(std::filesystem::path file, BeforeRename beforeRename)
    : state_(std::make_unique<State>(std::move(file), std::move(beforeRename))) {
    state_->load();
}

// A change not saved yet has its last chance as the program quits.
JsonSettingsStore::~JsonSettingsStore() {
    if (!state_->pending_.empty()) state_->trySave();
}

std::optional<SettingValue> JsonSettingsStore::value(std::string_view key) const {
    const auto found = state_->current_.find(key);
    if (found == state_->current_.end()) return std::nullopt;
    return fromJson(*found);
}

void JsonSettingsStore::setValue(std::string_view key, SettingValue value) {
    update([key = std::string(key), value = std::move(value)](SettingsEditor& values) {
        values.setValue(key, value);
    });
}

void JsonSettingsStore::update(Edit edit) {
    JsonEditor onCurrent(state_->current_);
    edit(onCurrent);
    state_->pending_.push_back(std::move(edit));
    state_->trySave();
}

bool JsonSettingsStore::savePending() const {
    return !state_->pending_.empty() && state_->retrySoon_;
}

bool JsonSettingsStore::reloadIfChanged() {
    auto& state = *state_;
    bool changed = std::exchange(state.unseenChange_, false);
    const bool touched = stampOf(state.file_) != state.stamp_;
    if (touched) changed = state.reload() || changed;
    if (!state.pending_.empty() && (touched || state.retrySoon_)) {
        state.trySave();
        changed = std::exchange(state.unseenChange_, false) || changed;
    }
    return changed;
}

void JsonSettingsStore::State::load() {
    // Temporary files of a save that was killed halfway would otherwise pile up.
    removeLeftoverTemporaryFiles(linkTarget(file_), STALE_TEMP_AGE);
    auto contents = readFile();
    stamp_ = contents.stamp;
    switch (contents.state) {
    case FileState::Missing:
        return;
    case FileState::Usable:
        adopt(std::move(contents.object));
        return;
    case FileState::Unreadable:
        diagnose("cannot read settings from " + file_.string() + ": " + contents.problem +
                 "; using default settings and leaving the file untouched");
        return;
    case FileState::Unusable:
        // Being saved as we start, most likely: reloadIfChanged reads it once complete.
        if (contents.stamp && modifiedWithin(*contents.stamp, WRITER_GRACE)) {
            diagnose(
                "settings file " + file_.string() + " is incomplete (" + contents.problem +
                "), perhaps being saved right now; using default settings until it is complete");
            return;
        }
        try {
            setAside(contents.problem, "started with default settings");
        } catch (const std::exception& error) {
            diagnose("settings file " + file_.string() + " is unusable (" + contents.problem +
                     "); using default settings, and " + error.what());
        }
        return;
    }
}

// The user may be halfway through an edit, so a file we cannot use stays where it is for now.
bool JsonSettingsStore::State::reload() {
    auto contents = readFile();
    stamp_ = contents.stamp;
    if (contents.state == FileState::Unusable) {
        diagnose("settings file " + file_.string() + " is unusable (" + contents.problem +
                 "); keeping the current settings until it is fixed");
        return false;
    }
    if (contents.state == FileState::Unreadable) {
        diagnose("cannot read settings from " + file_.string() + ": " + contents.problem +
                 "; keeping the current settings");
        return false;
    }
    return adopt(std::move(contents.object));
}

void JsonSettingsStore::State::trySave() {
    const auto cannotSave = [this](const std::string& why) {
        return "cannot save settings to " + file_.string() + ": " + why +
               "; keeping the change in memory";
    };
    try {
        save();
        retrySoon_ = false;
        failure_.clear();
    } catch (const WaitingForWriter& waiting) {
        fail(waiting.what(), true);
    } catch (const TooLargeToSave& error) {
        fail(cannotSave(error.what()), false);
    } catch (const std::exception& error) {
        fail(cannotSave(error.what()), true);
    }
}

void JsonSettingsStore::State::save() {
    for (int attempt = 1;; ++attempt) {
        mergeFileBeforeSave();
        // current_ is always the file's values with the pending changes made.
        if (writeFile(current_)) break;
        if (attempt == SAVE_ATTEMPTS)
            throw std::runtime_error("the file kept changing while being saved");
    }
    disk_ = current_;
    pending_.clear();
}

// Starting from what the file holds now keeps other programs' changes to other keys. It is read
// every time: it is tiny, and a stat can miss an edit that kept its size and time.
void JsonSettingsStore::State::mergeFileBeforeSave() {
    auto contents = readFile();
    switch (contents.state) {
    case FileState::Missing:
    case FileState::Usable:
        stamp_ = contents.stamp;
        unseenChange_ = adopt(std::move(contents.object)) || unseenChange_;
        return;
    case FileState::Unusable:
        // An empty or half-written file that changed a few seconds ago is most likely an
        // editor's save in progress: moving it aside would take the user's edit with it.
        if (contents.stamp && modifiedWithin(*contents.stamp, WRITER_GRACE))
            throw WaitingForWriter("settings file " + file_.string() + " is incomplete (" +
                                   contents.problem + "), perhaps being saved right now; " +
                                   "keeping the change in memory until it is complete");
        setAside(contents.problem, "saved the current settings in its place");
        return;
    case FileState::Unreadable:
        break;
    }
    // Replacing an unreadable file would lose whatever it holds, and the user can still fix its
    // permissions; until then changes live in memory only.
    throw std::runtime_error("the existing file cannot be read (" + contents.problem +
                             ") and is left untouched");
}

// False when someone put another version of the file in place since it was read: the save
// starts over from theirs rather than undo their change.
bool JsonSettingsStore::State::writeFile(const Json& object) {
    const auto text = settingsText(object);
    // Dotfile managers make settings.json a link into a folder of their own; replacing the link
    // by a file would quietly end that arrangement.
    const auto target = linkTarget(file_);
    // For the user only, as XDG asks.
    if (const auto made = makeFolders(folderOf(target), fs::perms::owner_all); !made.ok())
        throw std::runtime_error(made.text());
    const auto isUnchanged = [this](const std::optional<FileStamp>& there) {
        return there == stamp_;
    };
    // Owner-only, whatever the umask: settings are the user's own.
    const auto replaced = replaceFileIfUnchanged(
        target, text, fs::perms::owner_read | fs::perms::owner_write, isUnchanged, beforeRename_);
    if (replaced.status().code() == ESTALE) return false;
    if (!replaced.ok()) throw std::runtime_error(failureOn(target, replaced.status()));
    stamp_ = replaced.value();
    return true;
}

FileContents JsonSettingsStore::State::readFile() const {
    auto read = readSettingsText(file_);
    if (read.state == FileState::Missing) return {FileState::Missing, Json::object(), {}, {}};
    if (read.state != FileState::Usable)
        return {read.state, {}, std::move(read.problem), read.stamp};
    auto parsed = parseSettings(read.text);
    if (!parsed.object) return {FileState::Unusable, {}, std::move(parsed.problem), read.stamp};
    return {FileState::Usable, std::move(*parsed.object), {}, read.stamp};
}

bool JsonSettingsStore::State::adopt(Json object) {
    disk_ = std::move(object);
    auto updated = withPending(disk_);
    const bool changed = updated != current_;
    current_ = std::move(updated);
    return changed;
}

Json JsonSettingsStore::State::withPending(Json object) const {
    JsonEditor editor(object);
    for (const auto& edit : pending_)
        edit(editor);
    return object;
}

// Moves a file we cannot parse out of the way, so that saving never overwrites what someone
// wrote there.
void JsonSettingsStore::State::setAside(const std::string& problem, const std::string& outcome) {
    const auto aside = moveAside();
    stamp_ = std::nullopt;
    diagnose("settings file " + file_.string() + " is unusable (" + problem + "); moved it to " +
             aside.string() + " and " + outcome);
}

fs::path JsonSettingsStore::State::moveAside() const {
    const auto target = linkTarget(file_);
    const std::string dated = target.string() + ".corrupt-" + localTimestamp();
    for (int taken = 0;; ++taken) {
        const fs::path aside = taken == 0 ? dated : dated + "-" + std::to_string(taken);
        const auto moved = renameNoReplace(target, aside);
        if (moved.ok()) return aside;
        if (moved.code() != EEXIST)
            throw std::runtime_error("the unusable file cannot be moved aside: " + moved.reason());
    }
}

// Says why a save failed, unless that was said already since the last save that succeeded.
void JsonSettingsStore::State::fail(const std::string& line, bool retrySoon) {
    retrySoon_ = retrySoon;
    if (line != failure_) diagnose(line);
    failure_ = line;
}

} // namespace lumio
