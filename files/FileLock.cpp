#include "files/FileLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

namespace lumio {

Result<FileLock> FileLock::take(const std::filesystem::path& file) {
    UniqueFd fd(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.valid()) return Status::error(errno, "", file);
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) return FileLock(std::move(fd), false);
    if (errno == EWOULDBLOCK) return FileLock(std::move(fd), true);
    return Status::error(errno, "", file);
}

} // namespace lumio
