#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

struct stat;

namespace lumio {

// Settings are a handful of short values; a file this large is not ours, and reading a device
// or an endless file must stop somewhere. Saves keep within it too, so what we write we can read.
constexpr std::size_t MAX_SETTINGS_BYTES = std::size_t{1} << 20;

// One version of a file, so that telling whether it changed needs no reading.
struct FileStamp {
    std::uint64_t device{};
    std::uint64_t inode{};
    std::int64_t size{};
    std::int64_t modifiedNs{};
    std::int64_t changedNs{};
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const struct stat& info);
// The file's stamp, through links; nullopt when there is none to stat.
std::optional<FileStamp> stampOf(const std::filesystem::path& file);
// Whether the file was modified less than age ago; a date ahead of the clock counts by its
// distance too, so a skewed clock cannot keep a file young for ever.
bool modifiedWithin(const FileStamp& stamp, std::chrono::nanoseconds age);

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
