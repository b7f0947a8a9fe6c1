#include "files/RenameNoReplace.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace lumio {

Status renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
    const auto failed = [&](int error) {
        return Status::error(error, "cannot move " + from.string() + " to", to);
    };
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    if (errno != EINVAL && errno != ENOSYS) return failed(errno);
    struct stat existing {};
    if (::lstat(to.c_str(), &existing) == 0) return failed(EEXIST);
    if (::rename(from.c_str(), to.c_str()) != 0) return failed(errno);
    return {};
}

} // namespace lumio
