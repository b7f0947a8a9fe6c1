#pragma once

#include "files/Status.h"

#include <filesystem>

namespace lumio {

// Renames from to to, but fails with EEXIST instead of replacing a file already at to. Where the
// filesystem cannot refuse to replace, it looks first and accepts the tiny race. Thread: any.
Status renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

} // namespace lumio
