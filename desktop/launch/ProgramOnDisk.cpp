#include "desktop/launch/ProgramOnDisk.h"

#include "files/Diagnostics.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace lumio {

namespace {

// What the kernel says of a running program whose file was removed or renamed over.
constexpr std::string_view DELETED = " (deleted)";

} // namespace

ProgramOnDisk::ProgramOnDisk() {
    std::error_code error;
    auto running = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (running.ends_with(DELETED)) running.resize(running.size() - DELETED.size());
    struct stat info {};
    if (error || ::stat("/proc/self/exe", &info) != 0) return;
    file = running;
    device = info.st_dev;
    inode = info.st_ino;
}

bool ProgramOnDisk::wasReplaced() const {
    struct stat info {};
    if (file.empty() || ::stat(file.c_str(), &info) != 0) return false;
    return info.st_dev != device || info.st_ino != inode;
}

void ProgramOnDisk::relaunch(std::vector<std::string> arguments) {
    relaunchWith = std::move(arguments);
    QCoreApplication::quit();
}

void ProgramOnDisk::takeOverIfAsked(const std::vector<std::string>& notInherited) const {
    if (!relaunchWith) return;
    for (const auto& name : notInherited)
        ::unsetenv(name.c_str());
    std::vector<std::string> words{file.string()};
    words.insert(words.end(), relaunchWith->begin(), relaunchWith->end());
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    ::execv(file.c_str(), argv.data());
    diagnose("could not start the updated " + file.string() + ": " + std::strerror(errno));
}

} // namespace lumio
