#pragma once

#include "files/FileStamp.h"
#include "files/Status.h"

#include <cstddef>
#include <filesystem>
#include <string>

namespace lumio {

// A regular file's bytes and the version they are of.
struct FileBytes {
    std::string text;
    FileStamp stamp;
};

// Reads the regular file at path, through links, without blocking on a FIFO; reading stops a
// little past limit, so a text longer than limit means a larger file. Fails with ENOENT or
// ENOTDIR when nothing is there, EINVAL ("not a regular file") for a FIFO, a device or a
// folder, else the errno of the open or read. Thread: any.
Result<FileBytes> readFileUpTo(const std::filesystem::path& path, std::size_t limit);

} // namespace lumio
