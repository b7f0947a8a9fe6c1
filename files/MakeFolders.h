#pragma once

#include "files/Status.h"

#include <filesystem>

namespace lumio {

// Creates folder and any missing parents, each with exactly mode (less the umask, as mkdir
// does); folders already there stay as they are. Fails with "cannot create folder <path>" and
// the errno of the first folder that could not be made. Thread: any.
Status makeFolders(const std::filesystem::path& folder, std::filesystem::perms mode);

} // namespace lumio
