#pragma once

#include "files/FileStamp.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace lumio {

// Settings are a handful of short values; a file this large is not ours, and reading a device
// or an endless file must stop somewhere. Saves keep within it too, so what we write we can read.
constexpr std::size_t MAX_SETTINGS_BYTES = std::size_t{1} << 20;

enum class FileState { Missing, Unreadable, Unusable, Usable };

// A settings file's bytes as read: Usable means read whole, still to be parsed.
struct FileText {
    FileState state;
    std::string text;
    std::string problem;
    std::optional<FileStamp> stamp;
};

// Reads the file through links without blocking on a FIFO: Missing when it (or its folder) is
// not there, Unreadable with the reason when it cannot be read or is no regular file, Unusable
// when larger than MAX_SETTINGS_BYTES.
FileText readSettingsText(const std::filesystem::path& file);

} // namespace lumio
