#include "desktop/launch/ProgramOnDisk.h"

#include "desktop/launch/Resources.h"
#include "files/Diagnostics.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace lumio {

ProgramOnDisk::ProgramOnDisk() : file(executablePath()), running(stampOf("/proc/self/exe")) {}

bool ProgramOnDisk::wasReplaced() const {
    if (file.empty() || !running) return false;
    const auto there = stampOf(file);
    return there && (there->device != running->device || there->inode != running->inode);
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
