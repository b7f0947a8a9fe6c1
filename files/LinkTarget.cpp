#include "files/LinkTarget.h"

#include "files/AtomicReplace.h"

#include <sys/stat.h>
#include <system_error>

namespace lumio {
namespace {

// As the kernel: more links in a row than this is a loop.
constexpr int MAX_LINKS = 40;

} // namespace

std::filesystem::path linkTarget(const std::filesystem::path& path) {
    std::filesystem::path at = path;
    for (int links = 0; links < MAX_LINKS; ++links) {
        struct stat info {};
        if (::lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return at;
        std::error_code error;
        const auto next = std::filesystem::read_symlink(at, error);
        if (error) return at;
        at = next.is_absolute() ? next : folderOf(at) / next;
    }
    return at;
}

} // namespace lumio
