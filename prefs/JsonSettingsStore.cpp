#include "prefs/JsonSettingsStore.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <pwd.h>
#include <stdexcept>
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

class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

  private:
    int fd_;
};

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

void writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) throwErrno("cannot write the temporary file");
        text.remove_prefix(static_cast<std::size_t>(written));
    }
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

fs::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    passwd entry{};
    passwd* found = nullptr;
    std::array<char, 16384> buffer{};
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return {};
    return found->pw_dir;
}

// The XDG rules say to ignore a relative XDG_CONFIG_HOME; an empty one is relative too.
fs::path configHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && fs::path(xdg).is_absolute()) return xdg;
    return homeFolder() / ".config";
}

fs::path folderOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// Creates the folder and any missing parents, for the user only as XDG asks.
void makeFolder(const fs::path& folder) {
    std::error_code ignored;
    if (fs::is_directory(folder, ignored)) return;
    if (folder.has_parent_path() && folder.parent_path() != folder)
        makeFolder(folder.parent_path());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throwErrno("cannot create folder " + folder.string());
}

// Makes the rename itself durable. Best effort: some filesystems cannot sync a folder, and the
// new contents are in place either way.
void syncFolder(const fs::path& folder) {
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) ::fsync(fd.get());
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

std::string tempPrefixFor(const fs::path& file) {
    return file.filename().string() + ".tmp";
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

// A temporary file next to the target, removed again unless it replaced the target.
class TempFile {
  public:
    explicit TempFile(const fs::path& target)
        : path_(folderOf(target) / (tempPrefixFor(target) + "XXXXXX")),
          fd_(::mkostemp(path_.data(), O_CLOEXEC)) {
        if (!fd_.valid())
            throwErrno("cannot create a temporary file in " + folderOf(target).string());
    }
    ~TempFile() {
        if (!renamed_) ::unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // mkstemp's mode is subject to the umask; the settings file must be exactly owner-only.
    void write(std::string_view text) {
        if (::fchmod(fd_.get(), 0600) != 0) throwErrno("cannot set the temporary file's mode");
        writeAll(fd_.get(), text);
        if (::fsync(fd_.get()) != 0) throwErrno("cannot flush the temporary file to disk");
    }

    // Replaces target atomically; returns what the new file looks like on disk now.
    struct stat replace(const fs::path& target) {
        if (::rename(path_.c_str(), target.c_str()) != 0) throwErrno("cannot replace the file");
        renamed_ = true;
        struct stat info {};
        ::fstat(fd_.get(), &info);
        return info;
    }

  private:
    std::string path_;
    UniqueFd fd_;
    bool renamed_ = false;
};

} // namespace

std::filesystem::path JsonSettingsStore::defaultPath() {
    return configHome() / "lumio" / "settings.json";
}

JsonSettingsStore::JsonSettingsStore(std::filesystem::path file, std::ostream& log,
                                     BeforeRename beforeRename)
    : file_(std::move(file)), log_(log), beforeRename_(std::move(beforeRename)) {
    load();
}

std::optional<SettingValue> JsonSettingsStore::value(std::string_view key) const {
    const auto found = current_.find(key);
    if (found == current_.end()) return std::nullopt;
    return fromJson(*found);
}

void JsonSettingsStore::setValue(std::string_view key, SettingValue value) {
    update([key = std::string(key), value = std::move(value)](SettingsEditor& values) {
        values.setValue(key, value);
    });
}

void JsonSettingsStore::update(Edit edit) {
    JsonEditor onCurrent(current_);
    edit(onCurrent);
    pending_.push_back(std::move(edit));
    trySave();
}

bool JsonSettingsStore::reloadIfChanged() {
    bool changed = std::exchange(unseenChange_, false);
    const bool touched = stampOf(file_) != stamp_;
    if (touched) changed = reload() || changed;
    if (!pending_.empty() && (touched || waitingForWriter_)) {
        trySave();
        changed = std::exchange(unseenChange_, false) || changed;
    }
    return changed;
}

void JsonSettingsStore::load() {
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
bool JsonSettingsStore::reload() {
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

void JsonSettingsStore::trySave() {
    try {
        save();
    } catch (const std::exception& error) {
        report("cannot save settings to " + file_.string() + ": " + error.what() +
               "; keeping the change in memory");
    }
}

void JsonSettingsStore::save() {
    if (!mergeFileBeforeSave()) return;
    // current_ is always the file's values with the pending changes made.
    writeFile(current_);
    disk_ = current_;
    pending_.clear();
}

// Starting from what the file holds now keeps other programs' changes to other keys. It is read
// every time: it is tiny, and a stat can miss an edit that kept its size and time. False when
// the save has to wait for someone who is writing the file.
bool JsonSettingsStore::mergeFileBeforeSave() {
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
        // Replacing it would lose whatever it holds, and the user can still fix its permissions;
        // until then changes live in memory only.
        throw std::runtime_error("the existing file cannot be read (" + contents.problem +
                                 ") and is left untouched");
    }
    return false;
}

void JsonSettingsStore::writeFile(const nlohmann::ordered_json& object) {
    const auto target = linkTarget();
    makeFolder(folderOf(target));
    TempFile temp(target);
    // Strings are written as UTF-8 for people to read; invalid bytes become U+FFFD rather than
    // making the save fail.
    temp.write(object.dump(2, ' ', false, Json::error_handler_t::replace) + '\n');
    if (beforeRename_) beforeRename_();
    stamp_ = stampOf(temp.replace(target));
    syncFolder(folderOf(target));
}

JsonSettingsStore::FileContents JsonSettingsStore::readFile() const {
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

bool JsonSettingsStore::adopt(nlohmann::ordered_json object) {
    disk_ = std::move(object);
    auto updated = withPending(disk_);
    const bool changed = updated != current_;
    current_ = std::move(updated);
    return changed;
}

nlohmann::ordered_json JsonSettingsStore::withPending(nlohmann::ordered_json object) const {
    JsonEditor editor(object);
    for (const auto& edit : pending_)
        edit(editor);
    return object;
}

// Moves a file we cannot parse out of the way, so that saving never overwrites what someone
// wrote there.
void JsonSettingsStore::setAside(const std::string& problem, const std::string& outcome) {
    const auto aside = moveAside();
    stamp_ = std::nullopt;
    report("settings file " + file_.string() + " is unusable (" + problem + "); moved it to " +
           aside.string() + " and " + outcome);
}

std::filesystem::path JsonSettingsStore::moveAside() const {
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
std::filesystem::path JsonSettingsStore::linkTarget() const {
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
void JsonSettingsStore::removeStaleTempFiles() const {
    const auto target = linkTarget();
    const auto prefix = tempPrefixFor(target);
    std::error_code error;
    for (fs::directory_iterator entry(folderOf(target), error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code ignored;
        if (isStaleTempFile(*entry, prefix)) fs::remove(entry->path(), ignored);
    }
}

void JsonSettingsStore::report(const std::string& line) const {
    log_ << "lumio: " << line << std::endl;
}

std::optional<JsonSettingsStore::FileStamp>
JsonSettingsStore::stampOf(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return std::nullopt;
    return stampOf(info);
}

JsonSettingsStore::FileStamp JsonSettingsStore::stampOf(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim),
            nanoseconds(info.st_ctim)};
}

} // namespace lumio
