#include "desktop/launch/InstanceLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <variant>

namespace lumio {

InstanceLock::InstanceLock(const std::filesystem::path& file)
    : fd_(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)) {
    if (fd_.valid() && ::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) {
        state_ = State::Held;
    } else if (fd_.valid() && errno == EWOULDBLOCK) {
        state_ = State::HeldByAnother;
    } else {
        problem_ = file.string() + ": " + std::strerror(errno);
    }
}

TakenLock takeInstanceLock(const RuntimeFolder& place, const std::filesystem::path& tmp) {
    std::string problem = place.problem;
    const auto passOver = [&problem](const std::string& why) {
        problem += (problem.empty() ? "" : "; ") + why;
    };
    // A lock that cannot be taken in the runtime folder (a planted link, a
    // file system without locks) is tried once more in the private folder.
    std::optional<std::filesystem::path> folder = place.folder;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (folder) {
            auto lock = std::make_unique<InstanceLock>(*folder / "lumio.lock");
            if (lock->state() != InstanceLock::State::Failed) return {std::move(lock), problem};
            passOver(lock->problem());
        }
        const auto fallback = privateTmpFolder(tmp);
        if (const auto* why = std::get_if<std::string>(&fallback)) {
            passOver(*why);
            break;
        }
        const auto& privateFolder = std::get<std::filesystem::path>(fallback);
        if (folder == privateFolder) break;
        folder = privateFolder;
    }
    return {nullptr, problem};
}

} // namespace lumio
