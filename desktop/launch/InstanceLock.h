#pragma once

#include "files/UniqueFd.h"
#include "files/XdgFolders.h"

#include <filesystem>
#include <memory>
#include <string>

namespace lumio {

// An exclusive lock on a file, held by the running copy for its whole life
// and released by the system when the process ends, however it ends.
class InstanceLock {
  public:
    enum class State { Held, HeldByAnother, Failed };

    // Opens (creating it 0600, never through a symbolic link) and locks file
    // without waiting.
    explicit InstanceLock(const std::filesystem::path& file);

    State state() const { return state_; }
    // How many copies carry our identity, this one included.
    int runningCount() const { return state_ == State::HeldByAnother ? 2 : 1; }
    // Why the lock could not be taken, when Failed: "<path>: <system error>".
    const std::string& problem() const { return problem_; }

  private:
    UniqueFd fd_;
    State state_ = State::Failed;
    std::string problem_;
};

struct TakenLock {
    // Held, or held by another copy; null when no lock could be taken.
    std::unique_ptr<InstanceLock> lock;
    // Why not, in English: each place passed over, "; " between them.
    std::string problem;
};

// Takes the single-instance lock "lumio.lock" in the runtime folder
// (files/XdgFolders.h: $XDG_RUNTIME_DIR, else a private folder in tmp), and
// when it cannot be taken there, in the private folder in tmp.
TakenLock takeInstanceLock(const RuntimeFolder& place = runtimeFolder(),
                           const std::filesystem::path& tmp = "/tmp");

} // namespace lumio
