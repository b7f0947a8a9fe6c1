#pragma once

#include <filesystem>

namespace lumio {

// Where path really is: the end of the chain of symbolic links that starts at path (relative
// links taken from their own folder), or path itself when it is no link. A link that cannot be
// read, or more than 40 in a row (a loop, as the kernel counts), ends the chain there. Never
// fails. Thread: any.
std::filesystem::path linkTarget(const std::filesystem::path& path);

} // namespace lumio
