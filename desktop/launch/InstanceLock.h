#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <variant>

namespace lumio {

// A private per-user folder under `tmp`, created if missing and used only when
// it is plainly ours. Returns the folder, or why it cannot be trusted.
std::variant<std::filesystem::path, std::string>
privateTmpFolder(const std::filesystem::path& tmp = "/tmp");

// An exclusive lock on a file, held by the running copy for its whole life
// and released by the system when the process ends, however it ends.
class InstanceLock {
  public:
    enum class State { Held, HeldByAnother, Failed };

    explicit InstanceLock(const std::filesystem::path& file);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State state() const { return state_; }
    // How many copies carry our identity, this one included.
    int runningCount() const { return state_ == State::HeldByAnother ? 2 : 1; }
    // Why the lock could not be taken, when Failed.
    const std::string& problem() const { return problem_; }

  private:
    int fd_ = -1;
    State state_ = State::Failed;
    std::string problem_;
};

struct TakenLock {
    // Held, or held by another copy; null when no place could hold a lock.
    std::unique_ptr<InstanceLock> lock;
    // Why each place tried failed, "; " between them.
    std::string problem;
};

// Takes the single-instance lock "lumio.lock" in the first place that works:
// $XDG_RUNTIME_DIR when set to an absolute path, then the private folder
// under `tmp`. A lock that another copy holds ends the search.
TakenLock takeInstanceLock(const char* runtimeDir, const std::filesystem::path& tmp = "/tmp");

} // namespace lumio
