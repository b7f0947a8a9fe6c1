#include "files/FileStamp.h"

#include <cstdlib>
#include <sys/stat.h>

namespace lumio {
namespace {

std::int64_t nanoseconds(const timespec& time) {
    return std::int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

} // namespace

FileStamp stampOf(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim),
            nanoseconds(info.st_ctim)};
}

std::optional<FileStamp> stampOf(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return std::nullopt;
    return stampOf(info);
}

bool modifiedWithin(const FileStamp& stamp, std::chrono::nanoseconds age) {
    const std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    return std::abs(now - stamp.modifiedNs) < age.count();
}

} // namespace lumio
