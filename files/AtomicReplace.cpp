#include "files/AtomicReplace.h"

#include "files/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace lumio {
namespace {

namespace fs = std::filesystem;

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

ReplaceResult failed(int error, std::string step, fs::path path) {
    return {error, std::move(step), std::move(path), {}};
}

} // namespace

fs::path folderOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

std::string temporaryPrefixFor(const fs::path& target, bool hidden) {
    std::string prefix = hidden ? "." : "";
    prefix += target.filename().string();
    prefix += ".tmp";
    return prefix;
}

ReplaceResult replaceFile(const fs::path& target, std::string_view text, mode_t mode,
                          const std::function<void()>& beforeRename, bool hiddenTemporary) {
    const fs::path folder = folderOf(target);
    std::string pattern =
        (folder / (temporaryPrefixFor(target, hiddenTemporary) + "XXXXXX")).string();
    const UniqueFd fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd.valid())
        return failed(errno, "cannot create a temporary file in " + folder.string(), folder);
    TemporaryName temporary(pattern);
    if (::fchmod(fd.get(), mode) != 0)
        return failed(errno, "cannot set the temporary file's mode", target);
    if (!writeAll(fd.get(), text)) return failed(errno, "cannot write the temporary file", target);
    if (::fsync(fd.get()) != 0)
        return failed(errno, "cannot flush the temporary file to disk", target);
    if (beforeRename) beforeRename();
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return failed(errno, "cannot replace the file", target);
    temporary.keep();
    ReplaceResult replaced;
    ::fstat(fd.get(), &replaced.written);
    const UniqueFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.valid()) ::fsync(folderFd.get());
    return replaced;
}

} // namespace lumio
