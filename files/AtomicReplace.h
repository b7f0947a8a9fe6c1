#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace lumio {

// What replaceFile did.
struct ReplaceResult {
    // errno of the step that failed; 0 once the file is replaced.
    int error = 0;
    // That step in English, for a log line, e.g. "cannot write the temporary file".
    std::string failedStep;
    // The folder when no temporary file could be made in it, else the target.
    std::filesystem::path failedPath;
    // The new file as it is on disk now, when replaced.
    struct stat written {};

    explicit operator bool() const { return error == 0; }
};

// The folder file is in: its parent, or "." for a bare name. Thread: any.
std::filesystem::path folderOf(const std::filesystem::path& file);

// The temporary files of replaceFile for target are named this and six more characters, in
// target's folder; what a killed save leaves behind is found by it. Hidden ones start with a
// dot, for folders that others scan (an autostart folder). Thread: any.
std::string temporaryPrefixFor(const std::filesystem::path& target, bool hidden = false);

// Replaces target with a file holding exactly text, with permissions exactly mode (the umask
// does not apply): a temporary file next to it is written, flushed to disk and renamed over it,
// then the folder is synced so the rename survives a power cut (best effort: some filesystems
// cannot sync a folder). Readers and a crash at any point see the old file or the new one, never
// a part. A symbolic link at target is replaced, not followed. The folder must exist.
// Success: target is the new file, no temporary file is left, result.written describes it.
// Failure: target is as it was, the temporary file is removed, and the result holds errno, the
// step and the path. beforeRename, if given, runs once the temporary file is complete and before
// the rename, so tests can stop a save at its most delicate point; if it throws, the temporary
// file is removed and the exception passes through. Thread: any.
ReplaceResult replaceFile(const std::filesystem::path& target, std::string_view text, mode_t mode,
                          const std::function<void()>& beforeRename = {},
                          bool hiddenTemporary = false);

// Tells whether the file now at a target (nullptr: none) is the version new contents were worked
// out from.
using IsUnchanged = std::function<bool(const struct stat* there)>;

// As replaceFile, but only in place of the version isUnchanged accepts just before the rename: a
// file someone else put at target since, even at the very moment of the rename, stays there, and
// the result's error is ESTALE. The files are swapped atomically, and swapped back when the file
// displaced is not the one accepted; where the filesystem cannot swap, the look has to do.
ReplaceResult replaceFileIfUnchanged(const std::filesystem::path& target, std::string_view text,
                                     mode_t mode, const IsUnchanged& isUnchanged,
                                     const std::function<void()>& beforeRename = {});

} // namespace lumio
