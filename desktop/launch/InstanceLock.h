#pragma once

#include "files/FileLock.h"
#include "files/XdgFolders.h"

#include <filesystem>

namespace lumio {

// Takes the single-instance lock "lumio.lock" in the runtime folder (files/XdgFolders.h:
// $XDG_RUNTIME_DIR, else a private folder in tmp), and when it cannot be taken there, in the
// private folder in tmp. The lock lives as long as the running copy; heldElsewhere() tells that
// another copy runs. A failure names each place passed over, "; " between them.
Result<FileLock> takeInstanceLock(const Result<std::filesystem::path>& place = runtimeFolder(),
                                  const std::filesystem::path& tmp = "/tmp");

} // namespace lumio
