#include "prefs/JsonSettingsStore.h"

#include "files/AtomicReplace.h"
#include "files/UniqueFd.h"
#include "files/XdgFolders.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace lumio {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

// A younger leftover temporary file may belong to another instance that is saving right now.
constexpr auto STALE_TEMP_AGE = std::chrono::minutes(1);
// Settings are a handful of short values; a file this large is not ours, and reading a device
// or an endless file must stop somewhere.
constexpr std::size_t MAX_FILE_BYTES = std::size_t{1} << 20;
// Our own values nest two deep. Deeper JSON would only exhaust the stack of the recursive
// copies, comparisons and dumps of a parsed file.
constexpr int MAX_DEPTH = 64;
// An editor that saves in place empties the file and writes it again a moment later; a broken
// file modified more recently than this may still be on its way.
constexpr auto WRITER_GRACE = std::chrono::seconds(2);
// As the kernel: more links in a row than this is a loop.
constexpr int MAX_LINKS = 40;

[[noreturn]] void throwErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

std::string errorText(int error) {
    return std::generic_category().message(error);
}

// The rest of the file, but no more than a little past limit; nullopt with errno set.
std::optional<std::string> readAtMost(int fd, std::size_t limit) {
    std::string text;
    std::array<char, 4096> chunk{};
    while (text.size() <= limit) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got == 0) return text;
        if (got > 0)
            text.append(chunk.data(), static_cast<std::size_t>(got));
        else if (errno != EINTR)
            return std::nullopt;
    }
    return text;
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

// Creates the folder and any missing parents, for the user only as XDG asks.
void makeFolder(const fs::path& folder) {
    std::error_code ignored;
    if (fs::is_directory(folder, ignored)) return;
    if (folder.has_parent_path() && folder.parent_path() != folder)
        makeFolder(folder.parent_path());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throwErrno("cannot create folder " + folder.string());
}

// Like rename, but fails with EEXIST instead of replacing an existing file.
bool renameNoReplace(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // This filesystem cannot refuse to replace: check first, and accept the tiny race.
    struct stat existing {};
    if (::lstat(to.c_str(), &existing) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string localTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y%m%d-%H%M%S", &local);
    return text.data();
}

bool isStaleTempFile(const fs::directory_entry& entry, const std::string& tempPrefix) {
    std::error_code error;
    const auto name = entry.path().filename().string();
    // Exactly the names our saves make, as they may be in someone else's folder.
    if (!name.starts_with(tempPrefix) || name.size() != tempPrefix.size() + 6) return false;
    if (!entry.is_regular_file(error)) return false;
    const auto modified = entry.last_write_time(error);
    return !error && fs::file_time_type::clock::now() - modified > STALE_TEMP_AGE;
}

std::int64_t nanoseconds(const timespec& time) {
    return std::int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

bool modifiedJustNow(std::int64_t modifiedNs) {
    const std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    return std::abs(now - modifiedNs) <
           std::chrono::duration_cast<std::chrono::nanoseconds>(WRITER_GRACE).count();
}

// One version of the file, so that telling whether it changed needs no reading.
struct FileStamp {
    dev_t device{};
    ino_t inode{};
    off_t size{};
    std::int64_t modifiedNs{};
    std::int64_t changedNs{};
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim),
            nanoseconds(info.st_ctim)};
}

std::optional<FileStamp> stampOf(const fs::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return std::nullopt;
    return stampOf(info);
}

enum class FileState { Missing, Unreadable, Unusable, Usable };

struct FileContents {
    FileState state;
    Json object;
    std::string problem;
    std::optional<FileStamp> stamp;
};

} // namespace

struct JsonSettingsStore::State {
    State(fs::path file, std::ostream& log, BeforeRename beforeRename)
        : file_(std::move(file)), log_(log), beforeRename_(std::move(beforeRename)) {}

    void load();
    bool reload();
    void trySave();
    void save();
    bool mergeFileBeforeSave();
    void writeFile(const Json& object);
    FileContents readFile() const;
    bool adopt(Json object);
    Json withPending(Json object) const;
    void setAside(const std::string& problem, const std::string& outcome);
    fs::path moveAside() const;
    fs::path linkTarget() const;
    void removeStaleTempFiles() const;
    void report(const std::string& line) const;

    fs::path file_;
    std::ostream& log_;
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
    // A save waits for someone who is writing the file; reloadIfChanged tries again.
    bool waitingForWriter_ = false;
};

std::filesystem::path JsonSettingsStore::defaultPath() {
    return configHome() / "lumio" / "settings.json";
}

JsonSettingsStore::JsonSettingsStore(std::filesystem::path file, std::ostream& log,
                                     BeforeRename beforeRename)
    : state_(std::make_unique<State>(std::move(file), log, std::move(beforeRename))) {
    state_->load();
}

JsonSettingsStore::~JsonSettingsStore() = default;

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

bool JsonSettingsStore::reloadIfChanged() {
    auto& state = *state_;
    bool changed = std::exchange(state.unseenChange_, false);
    const bool touched = stampOf(state.file_) != state.stamp_;
    if (touched) changed = state.reload() || changed;
    if (!state.pending_.empty() && (touched || state.waitingForWriter_)) {
        state.trySave();
        changed = std::exchange(state.unseenChange_, false) || changed;
    }
    return changed;
}

void JsonSettingsStore::State::load() {
    removeStaleTempFiles();
    auto contents = readFile();
    stamp_ = contents.stamp;
    switch (contents.state) {
    case FileState::Missing:
        return;
    case FileState::Usable:
        adopt(std::move(contents.object));
        return;
    case FileState::Unreadable:
        report("cannot read settings from " + file_.string() + ": " + contents.problem +
               "; using default settings and leaving the file untouched");
        return;
    case FileState::Unusable:
        try {
            setAside(contents.problem, "started with default settings");
        } catch (const std::exception& error) {
            report("settings file " + file_.string() + " is unusable (" + contents.problem +
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
        report("settings file " + file_.string() + " is unusable (" + contents.problem +
               "); keeping the current settings until it is fixed");
        return false;
    }
    if (contents.state == FileState::Unreadable) {
        report("cannot read settings from " + file_.string() + ": " + contents.problem +
               "; keeping the current settings");
        return false;
    }
    return adopt(std::move(contents.object));
}

void JsonSettingsStore::State::trySave() {
    try {
        save();
    } catch (const std::exception& error) {
        report("cannot save settings to " + file_.string() + ": " + error.what() +
               "; keeping the change in memory");
    }
}

void JsonSettingsStore::State::save() {
    if (!mergeFileBeforeSave()) return;
    // current_ is always the file's values with the pending changes made.
    writeFile(current_);
    disk_ = current_;
    pending_.clear();
}

// Starting from what the file holds now keeps other programs' changes to other keys. It is read
// every time: it is tiny, and a stat can miss an edit that kept its size and time. False when
// the save has to wait for someone who is writing the file.
bool JsonSettingsStore::State::mergeFileBeforeSave() {
    auto contents = readFile();
    const bool wasWaiting = std::exchange(waitingForWriter_, false);
    switch (contents.state) {
    case FileState::Missing:
    case FileState::Usable:
        stamp_ = contents.stamp;
        unseenChange_ = adopt(std::move(contents.object)) || unseenChange_;
        return true;
    case FileState::Unusable:
        // An empty or half-written file that changed a moment ago is most likely an editor's
        // save in progress: moving it aside would take the user's edit with it.
        if (contents.stamp && modifiedJustNow(contents.stamp->modifiedNs)) {
            waitingForWriter_ = true;
            if (!wasWaiting)
                report("settings file " + file_.string() + " is incomplete (" + contents.problem +
                       "), perhaps being saved right now; keeping the " +
                       "change in memory until it is complete");
            return false;
        }
        setAside(contents.problem, "saved the current settings in its place");
        return true;
    case FileState::Unreadable:
        break;
    }
    // Replacing an unreadable file would lose whatever it holds, and the user can still fix its
    // permissions; until then changes live in memory only.
    throw std::runtime_error("the existing file cannot be read (" + contents.problem +
                             ") and is left untouched");
}

void JsonSettingsStore::State::writeFile(const Json& object) {
    const auto target = linkTarget();
    makeFolder(folderOf(target));
    // Strings are written as UTF-8 for people to read; invalid bytes become U+FFFD rather than
    // making the save fail. Owner-only, whatever the umask: settings are the user's own.
    const auto replaced =
        replaceFile(target, object.dump(2, ' ', false, Json::error_handler_t::replace) + '\n', 0600,
                    beforeRename_);
    if (!replaced)
        throw std::system_error(replaced.error, std::generic_category(), replaced.failedStep);
    stamp_ = stampOf(replaced.written);
}

FileContents JsonSettingsStore::State::readFile() const {
    // Non-blocking: opening a FIFO would otherwise wait for a writer forever.
    const UniqueFd fd(::open(file_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return {FileState::Missing, Json::object(), {}, {}};
        return {FileState::Unreadable, {}, errorText(error), stampOf(file_)};
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return {FileState::Unreadable, {}, errorText(errno), stampOf(file_)};
    // A FIFO, a device or a folder may block, never end, or be something the user needs.
    if (!S_ISREG(info.st_mode))
        return {FileState::Unreadable, {}, "not a regular file", stampOf(info)};
    const auto text = readAtMost(fd.get(), MAX_FILE_BYTES);
    if (!text) return {FileState::Unreadable, {}, errorText(errno), stampOf(info)};
    if (text->size() > MAX_FILE_BYTES)
        return {FileState::Unusable, {}, "larger than 1 MiB", stampOf(info)};
    auto parsed = parseSettings(*text);
    if (!parsed.object) return {FileState::Unusable, {}, std::move(parsed.problem), stampOf(info)};
    return {FileState::Usable, std::move(*parsed.object), {}, stampOf(info)};
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
    report("settings file " + file_.string() + " is unusable (" + problem + "); moved it to " +
           aside.string() + " and " + outcome);
}

fs::path JsonSettingsStore::State::moveAside() const {
    const auto target = linkTarget();
    const std::string dated = target.string() + ".corrupt-" + localTimestamp();
    for (int taken = 0;; ++taken) {
        const fs::path aside = taken == 0 ? dated : dated + "-" + std::to_string(taken);
        if (renameNoReplace(target, aside)) return aside;
        if (errno != EEXIST) throwErrno("the unusable file cannot be moved aside");
    }
}

// Where the settings really are. Dotfile managers make settings.json a link into a folder of
// their own, and replacing the link by a file would quietly end that arrangement.
fs::path JsonSettingsStore::State::linkTarget() const {
    fs::path path = file_;
    for (int links = 0; links < MAX_LINKS; ++links) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::error_code error;
        const auto next = fs::read_symlink(path, error);
        if (error) return path;
        path = next.is_absolute() ? next : folderOf(path) / next;
    }
    return path;
}

// Temporary files of a save that was killed halfway would otherwise pile up.
void JsonSettingsStore::State::removeStaleTempFiles() const {
    const auto target = linkTarget();
    const auto prefix = temporaryPrefixFor(target);
    std::error_code error;
    for (fs::directory_iterator entry(folderOf(target), error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code ignored;
        if (isStaleTempFile(*entry, prefix)) fs::remove(entry->path(), ignored);
    }
}

void JsonSettingsStore::State::report(const std::string& line) const {
    log_ << "lumio: " << line << std::endl;
}

} // namespace lumio
