#pragma once

#include "files/FileStamp.h"
#include "files/Status.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace lumio {

// The folder file is in: its parent, or "." for a bare name. Thread: any.
std::filesystem::path folderOf(const std::filesystem::path& file);

// Replaces target with a file holding exactly text, with permissions exactly mode (the umask
// does not apply): a temporary file next to it is written, flushed to disk and renamed over it,
// then the folder is synced so the rename survives a power cut (best effort: some filesystems
// cannot sync a folder). Readers and a crash at any point see the old file or the new one, never
// a part. A symbolic link at target is replaced, not followed. The folder must exist.
// Success: target is the new file, no temporary file is left, and the result is its stamp.
// Failure: target is as it was, the temporary file is removed, and the status names the step,
// and as path the folder when no temporary file could be made in it, else target. beforeRename, if
// given, runs once the temporary file is complete and before the rename, so tests can stop a save
// at its most delicate point; if it throws, the temporary file is removed and the exception passes
// through. Thread: any.
Result<FileStamp> replaceFile(const std::filesystem::path& target, std::string_view text,
                              std::filesystem::perms mode,
                              const std::function<void()>& beforeRename = {},
                              bool hiddenTemporary = false);

// Tells whether the file now at a target (its stamp, the link itself for a link; nullopt: none)
// is the version new contents were worked out from.
using IsUnchanged = std::function<bool(const std::optional<FileStamp>& there)>;

// As replaceFile, but only in place of the version isUnchanged accepts just before the rename: a
// file someone else put at target since, even at the very moment of the rename, stays there, and
// the status's code is ESTALE. The files are swapped atomically, and swapped back when the file
// displaced is not the one accepted; where the filesystem cannot swap, the look has to do.
Result<FileStamp> replaceFileIfUnchanged(const std::filesystem::path& target, std::string_view text,
                                         std::filesystem::perms mode,
                                         const IsUnchanged& isUnchanged,
                                         const std::function<void()>& beforeRename = {});

// Removes what saves of target (replaceFile without a hidden temporary file) killed halfway left
// behind: their temporary files older than age, as younger ones may be another process's save
// in progress. Best effort, never fails. Thread: any.
void removeLeftoverTemporaryFiles(const std::filesystem::path& target,
                                  std::chrono::nanoseconds age);

} // namespace lumio
