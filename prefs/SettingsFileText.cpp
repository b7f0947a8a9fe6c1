#include "prefs/SettingsFileText.h"

#include "files/UniqueFd.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace lumio {
namespace {

std::string errorText(int error) {
    return std::generic_category().message(error);
}

// The rest of the file, but no more than a little past limit; nullopt with errno set.
std::optional<std::string> readAtMost(int fd, std::size_t limit) {
    std::string text;
    std::array<char, 4096> chunk{};
    while (text.size() <= limit) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got == 0) return text;
        if (got > 0)
            text.append(chunk.data(), static_cast<std::size_t>(got));
        else if (errno != EINTR)
            return std::nullopt;
    }
    return text;
}

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

FileText readSettingsText(const std::filesystem::path& file) {
    // Non-blocking: opening a FIFO would otherwise wait for a writer forever.
    const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) return {FileState::Missing, {}, {}, {}};
        return {FileState::Unreadable, {}, errorText(error), stampOf(file)};
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return {FileState::Unreadable, {}, errorText(errno), stampOf(file)};
    // A FIFO, a device or a folder may block, never end, or be something the user needs.
    if (!S_ISREG(info.st_mode))
        return {FileState::Unreadable, {}, "not a regular file", stampOf(info)};
    auto text = readAtMost(fd.get(), MAX_SETTINGS_BYTES);
    if (!text) return {FileState::Unreadable, {}, errorText(errno), stampOf(info)};
    if (text->size() > MAX_SETTINGS_BYTES)
        return {FileState::Unusable, {}, "larger than 1 MiB", stampOf(info)};
    return {FileState::Usable, std::move(*text), {}, stampOf(info)};
}

} // namespace lumio
