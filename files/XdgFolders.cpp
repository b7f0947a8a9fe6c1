#include "files/XdgFolders.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumio {
namespace {

namespace fs = std::filesystem;

std::string describe(const fs::path& path, int error) {
    return path.string() + ": " + std::strerror(error);
}

fs::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    passwd entry{};
    passwd* found = nullptr;
    std::array<char, 16384> buffer{};
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return "/";
    return found->pw_dir;
}

// Why folder cannot hold our files, or nothing when it can.
std::optional<std::string> unusableFolder(const fs::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return describe(folder, errno);
    if (!S_ISDIR(info.st_mode)) return folder.string() + ": not a folder";
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return describe(folder, errno);
    return std::nullopt;
}

} // namespace

fs::path configHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && fs::path(xdg).is_absolute()) return xdg;
    return homeFolder() / ".config";
}

std::variant<fs::path, std::string> privateTmpFolder(const fs::path& tmp) {
    // Anyone may create names in /tmp, so a folder already there is trusted only when it is a
    // real folder of ours that nobody else can enter.
    const uid_t uid = ::geteuid();
    const auto folder = tmp / ("lumio-" + std::to_string(uid));
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return describe(folder, errno);
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) return describe(folder, errno);
    if (!S_ISDIR(info.st_mode)) return folder.string() + ": not a folder";
    if (info.st_uid != uid) return folder.string() + ": belongs to another user";
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return folder.string() + ": other users can enter it";
    return folder;
}

RuntimeFolder runtimeFolder(const fs::path& tmp) {
    std::string passedOver;
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg != nullptr && xdg[0] == '/') {
        const auto problem = unusableFolder(xdg);
        if (!problem) return {fs::path(xdg), {}};
        passedOver = *problem;
    }
    auto fallback = privateTmpFolder(tmp);
    if (auto* folder = std::get_if<fs::path>(&fallback)) return {std::move(*folder), passedOver};
    const auto& why = std::get<std::string>(fallback);
    return {std::nullopt, passedOver.empty() ? why : passedOver + "; " + why};
}

} // namespace lumio
