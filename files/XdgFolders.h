#pragma once

#include "files/Status.h"

#include <filesystem>

namespace lumio {

// The per-user folders of the XDG base directory rules, found one way for all of Lumio. None
// throws or sets errno for its caller. Thread: any, as long as nothing changes the environment
// meanwhile.

// Where per-user settings go: $XDG_CONFIG_HOME when it is an absolute path (the rules say to
// ignore a relative one, and an empty one is relative), else $HOME/.config when HOME is set and
// not empty, else .config in the home folder of the user's passwd entry, else /.config, so that
// writing fails rather than landing wherever Lumio was started. Never fails, creates nothing.
std::filesystem::path configHome();

// A private per-user folder lumio-<uid> under tmp, created (0700) if missing and used only when
// it is plainly ours: a real folder, not a link, owned by us, that nobody else can enter. Fails
// with why it cannot be trusted ("<path>: <reason>"). A folder already there is left as it is
// either way; one created here stays, even if it then proves unusable.
Result<std::filesystem::path> privateTmpFolder(const std::filesystem::path& tmp = "/tmp");

// Where per-session files such as a lock go: $XDG_RUNTIME_DIR when it is an absolute path to a
// folder we may create files in (nothing is created there), else privateTmpFolder(tmp). Unset,
// empty or relative values are passed over without a word; a failure names each place passed
// over ("<path>: <reason>", "; " between them).
Result<std::filesystem::path> runtimeFolder(const std::filesystem::path& tmp = "/tmp");

} // namespace lumio
