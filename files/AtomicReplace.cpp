#include "files/AtomicReplace.h"

#include "files/UniqueFd.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumio {
namespace {

namespace fs = std::filesystem;

// The temporary files for target are named this and six more characters, in target's folder;
// what a killed save leaves behind is found by it. Hidden ones start with a dot, for folders
// that others scan (an autostart folder).
std::string temporaryPrefixFor(const fs::path& target, bool hidden = false) {
    std::string prefix = hidden ? "." : "";
    prefix += target.filename().string();
    prefix += ".tmp";
    return prefix;
}

// Unlinks the temporary file unless it became the target.
class TemporaryName {
  public:
    explicit TemporaryName(std::string path) : path_(std::move(path)) {}
    ~TemporaryName() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;

    const char* c_str() const { return path_.c_str(); }
    void keep() { path_.clear(); }

  private:
    std::string path_;
};

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

Result<FileStamp> failed(int error, std::string step, fs::path path) {
    return Status::error(error, std::move(step), std::move(path));
}

bool isLeftover(const fs::directory_entry& entry, const std::string& prefix,
                std::chrono::nanoseconds age) {
    std::error_code error;
    const auto name = entry.path().filename().string();
    // Exactly the names our saves make, as they may be in someone else's folder.
    if (!name.starts_with(prefix) || name.size() != prefix.size() + 6) return false;
    if (!entry.is_regular_file(error)) return false;
    const auto modified = entry.last_write_time(error);
    return !error && fs::file_time_type::clock::now() - modified > age;
}

// The filesystem cannot rename as asked (a swap, or refusing to replace).
bool swapUnsupported(int error) {
    return error == EINVAL || error == ENOSYS;
}

// Puts the temporary file at target if what is there is unchanged: 0, ESTALE when it is someone
// else's, or the errno of the rename.
int moveInIfUnchanged(TemporaryName& temporary, const fs::path& target,
                      const IsUnchanged& isUnchanged) {
    struct stat there {};
    if (::lstat(target.c_str(), &there) != 0) {
        if (errno != ENOENT) return errno;
        if (!isUnchanged(std::nullopt)) return ESTALE;
        if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) ==
            0) {
            temporary.keep();
            return 0;
        }
        if (errno == EEXIST) return ESTALE;
        if (!swapUnsupported(errno)) return errno;
    } else {
        if (!isUnchanged(stampOf(there))) return ESTALE;
        if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) ==
            0) {
            // The temporary name now holds what was at target: removed as it goes, unless it
            // arrived between the look and the swap, when it goes back.
            struct stat displaced {};
            if (::lstat(temporary.c_str(), &displaced) == 0 && displaced.st_dev == there.st_dev &&
                displaced.st_ino == there.st_ino)
                return 0;
            if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(),
                            RENAME_EXCHANGE) != 0 &&
                ::rename(temporary.c_str(), target.c_str()) == 0)
                temporary.keep();
            return ESTALE;
        }
        if (!swapUnsupported(errno)) return errno;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) return errno;
    temporary.keep();
    return 0;
}

// Writes text to a temporary file next to target and has move put it in target's place (0 or
// errno), then syncs the folder.
Result<FileStamp> replaceWith(const fs::path& target, std::string_view text, fs::perms mode,
                              const std::function<void()>& beforeRename, bool hiddenTemporary,
                              const std::function<int(TemporaryName&)>& move) {
    const fs::path folder = folderOf(target);
    std::string pattern =
        (folder / (temporaryPrefixFor(target, hiddenTemporary) + "XXXXXX")).string();
    const UniqueFd fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd.valid()) return failed(errno, "cannot create a temporary file in", folder);
    TemporaryName temporary(pattern);
    if (::fchmod(fd.get(), static_cast<mode_t>(mode)) != 0)
        return failed(errno, "cannot set the temporary file's mode", target);
    if (!writeAll(fd.get(), text)) return failed(errno, "cannot write the temporary file", target);
    if (::fsync(fd.get()) != 0)
        return failed(errno, "cannot flush the temporary file to disk", target);
    if (beforeRename) beforeRename();
    if (const int error = move(temporary); error != 0)
        return failed(error,
                      error == ESTALE ? "the file changed meanwhile" : "cannot replace the file",
                      target);
    struct stat written {};
    ::fstat(fd.get(), &written);
    const UniqueFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.valid()) ::fsync(folderFd.get());
    return stampOf(written);
}

} // namespace

fs::path folderOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

Result<FileStamp> replaceFile(const fs::path& target, std::string_view text, fs::perms mode,
                              const std::function<void()>& beforeRename, bool hiddenTemporary) {
    return replaceWith(target, text, mode, beforeRename, hiddenTemporary,
                       [&target](TemporaryName& temporary) {
                           if (::rename(temporary.c_str(), target.c_str()) != 0) return errno;
                           temporary.keep();
                           return 0;
                       });
}

void removeLeftoverTemporaryFiles(const fs::path& target, std::chrono::nanoseconds age) {
    const auto prefix = temporaryPrefixFor(target);
    std::error_code error;
    for (fs::directory_iterator entry(folderOf(target), error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code ignored;
        if (isLeftover(*entry, prefix, age)) fs::remove(entry->path(), ignored);
    }
}

Result<FileStamp> replaceFileIfUnchanged(const fs::path& target, std::string_view text,
                                         fs::perms mode, const IsUnchanged& isUnchanged,
                                         const std::function<void()>& beforeRename) {
    return replaceWith(target, text, mode, beforeRename, false, [&](TemporaryName& temporary) {
        return moveInIfUnchanged(temporary, target, isUnchanged);
    });
}

} // namespace lumio
