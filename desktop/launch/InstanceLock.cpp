#include "desktop/launch/InstanceLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumio {

namespace {

std::string describe(const std::filesystem::path& path, int error) {
    return path.string() + ": " + std::strerror(error);
}

} // namespace

std::variant<std::filesystem::path, std::string>
privateTmpFolder(const std::filesystem::path& tmp) {
    // Anyone may create names in /tmp, so a folder already there is trusted only
    // when it is a real folder of ours that nobody else can enter.
    const uid_t uid = ::geteuid();
    const auto folder = tmp / ("lumio-" + std::to_string(uid));
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return describe(folder, errno);
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) return describe(folder, errno);
    if (!S_ISDIR(info.st_mode)) return folder.string() + ": không phải thư mục";
    if (info.st_uid != uid) return folder.string() + ": thuộc về người dùng khác";
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        return folder.string() + ": người khác cũng truy cập được";
    }
    return folder;
}

InstanceLock::InstanceLock(const std::filesystem::path& file) {
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        problem_ = describe(file, errno);
        return;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        state_ = State::Held;
    } else if (errno == EWOULDBLOCK) {
        state_ = State::HeldByAnother;
    } else {
        problem_ = describe(file, errno);
    }
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

TakenLock takeInstanceLock(const char* runtimeDir, const std::filesystem::path& tmp) {
    TakenLock taken;
    const auto fail = [&taken](const std::string& why) {
        taken.problem += (taken.problem.empty() ? "" : "; ") + why;
    };
    const auto tryIn = [&](const std::filesystem::path& folder) {
        auto lock = std::make_unique<InstanceLock>(folder / "lumio.lock");
        if (lock->state() == InstanceLock::State::Failed) {
            fail(lock->problem());
        } else {
            taken.lock = std::move(lock);
        }
    };
    if (runtimeDir && runtimeDir[0] == '/') tryIn(runtimeDir);
    if (taken.lock) return taken;
    const auto folder = privateTmpFolder(tmp);
    if (const auto* why = std::get_if<std::string>(&folder)) {
        fail(*why);
    } else {
        tryIn(std::get<std::filesystem::path>(folder));
    }
    return taken;
}

} // namespace lumio
