#pragma once

#include "files/Status.h"
#include "files/UniqueFd.h"

#include <filesystem>

namespace lumio {

// An exclusive lock on a file, held as long as the FileLock lives, or by another process (see
// heldElsewhere). The system releases it when the process ends, however it ends. Thread: any
// (one owner at a time).
class FileLock {
  public:
    // Opens file (creating it 0600, never through a symbolic link) and locks it without
    // waiting. A lock another process holds is no failure: the result is heldElsewhere. Fails
    // with "<path>: <system error>" when the file cannot be opened or locked.
    static Result<FileLock> take(const std::filesystem::path& file);

    // Whether another process holds the lock, so this one holds nothing.
    bool heldElsewhere() const { return heldElsewhere_; }

  private:
    FileLock(UniqueFd fd, bool heldElsewhere) : fd_(std::move(fd)), heldElsewhere_(heldElsewhere) {}

    UniqueFd fd_;
    bool heldElsewhere_;
};

} // namespace lumio
