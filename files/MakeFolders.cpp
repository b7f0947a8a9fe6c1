#include "files/MakeFolders.h"

#include <cerrno>
#include <sys/stat.h>
#include <system_error>

namespace lumio {

Status makeFolders(const std::filesystem::path& folder, std::filesystem::perms mode) {
    std::error_code ignored;
    if (std::filesystem::is_directory(folder, ignored)) return {};
    if (folder.has_parent_path() && folder.parent_path() != folder)
        if (auto parent = makeFolders(folder.parent_path(), mode); !parent.ok()) return parent;
    if (::mkdir(folder.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST)
        return Status::error(errno, "cannot create folder", folder);
    return {};
}

} // namespace lumio
