#pragma once

#include "files/FileStamp.h"
#include "ports/InstalledProgram.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lumio {

// The lumio file this process was started from, watched for a package
// upgrade that replaces it; and the hand-over to the new one in the same
// process (the session keeps its pid), once the old one has wound down.
class ProgramOnDisk final : public InstalledProgram {
  public:
    // Notes the file and which file it is now.
    ProgramOnDisk();

    bool wasReplaced() const override;
    void relaunch(std::vector<std::string> arguments) override;

    // After the main loop has ended and everything it ran is gone: when a
    // relaunch was asked for, the installed program takes over, without the
    // variables named in notInherited (Lumio's own choices, not the user's).
    // Returns only when none was asked for, or after saying why it failed.
    void takeOverIfAsked(const std::vector<std::string>& notInherited) const;

  private:
    const std::filesystem::path file;
    // The file this process runs, wherever it is now.
    const std::optional<FileStamp> running;
    std::optional<std::vector<std::string>> relaunchWith;
};

} // namespace lumio
