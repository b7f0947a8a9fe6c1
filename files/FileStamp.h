#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>

struct stat;

namespace lumio {

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
// The file's stamp, through links; nullopt when there is none to stat. Thread: any.
std::optional<FileStamp> stampOf(const std::filesystem::path& file);
// Whether the file was modified less than age ago; a date ahead of the clock counts by its
// distance too, so a skewed clock cannot keep a file young for ever.
bool modifiedWithin(const FileStamp& stamp, std::chrono::nanoseconds age);

} // namespace lumio
