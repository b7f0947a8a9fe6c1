#include "files/XdgFolders.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumio {
namespace {

namespace fs = std::filesystem;

fs::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    passwd entry{};
    passwd* found = nullptr;
    std::array<char, 16384> buffer{};
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return "/";
    return found->pw_dir;
}

// Done when folder can hold our files.
Status unusableFolder(const fs::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return Status::error(errno, "", folder);
    if (!S_ISDIR(info.st_mode)) return Status::error(ENOTDIR, "", folder, "not a folder");
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return Status::error(errno, "", folder);
    return {};
}

} // namespace

fs::path configHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && fs::path(xdg).is_absolute()) return xdg;
    return homeFolder() / ".config";
}

Result<fs::path> privateTmpFolder(const fs::path& tmp) {
    // Anyone may create names in /tmp, so a folder already there is trusted only when it is a
    // real folder of ours that nobody else can enter.
    const uid_t uid = ::geteuid();
    const auto folder = tmp / ("lumio-" + std::to_string(uid));
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return Status::error(errno, "", folder);
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) return Status::error(errno, "", folder);
    if (!S_ISDIR(info.st_mode)) return Status::error(ENOTDIR, "", folder, "not a folder");
    if (info.st_uid != uid) return Status::error(EPERM, "", folder, "belongs to another user");
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return Status::error(EACCES, "", folder, "other users can enter it");
    return folder;
}

Result<fs::path> runtimeFolder(const fs::path& tmp) {
    Status passedOver;
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg != nullptr && xdg[0] == '/') {
        passedOver = unusableFolder(xdg);
        if (passedOver.ok()) return fs::path(xdg);
    }
    auto fallback = privateTmpFolder(tmp);
    if (fallback.ok()) return fallback;
    return fallback.status().after(passedOver);
}

} // namespace lumio
