#include "desktop/launch/InstanceLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>

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

TakenLock takeInstanceLock(const RuntimeFolder& place) {
    if (!place.folder) return {nullptr, place.problem};
    auto lock = std::make_unique<InstanceLock>(*place.folder / "lumio.lock");
    if (lock->state() != InstanceLock::State::Failed) return {std::move(lock), {}};
    return {nullptr,
            place.problem.empty() ? lock->problem() : place.problem + "; " + lock->problem()};
}

} // namespace lumio
