#include "files/ReadFile.h"

#include "files/UniqueFd.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumio {

Result<FileBytes> readFileUpTo(const std::filesystem::path& path, std::size_t limit) {
    // Non-blocking: opening a FIFO would otherwise wait for a writer forever.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) return Status::error(errno, "cannot open", path);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return Status::error(errno, "cannot look at", path);
    // A FIFO, a device or a folder may block, never end, or be something the user needs.
    if (!S_ISREG(info.st_mode)) return Status::error(EINVAL, "", path, "not a regular file");
    FileBytes read{{}, stampOf(info)};
    std::array<char, 4096> chunk{};
    while (read.text.size() <= limit) {
        const ssize_t got = ::read(fd.get(), chunk.data(), chunk.size());
        if (got == 0) break;
        if (got > 0)
            read.text.append(chunk.data(), static_cast<std::size_t>(got));
        else if (errno != EINTR)
            return Status::error(errno, "cannot read", path);
    }
    return read;
}

} // namespace lumio
