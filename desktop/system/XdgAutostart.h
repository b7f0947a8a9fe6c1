#pragma once

#include "ports/AutostartEntry.h"

#include <filesystem>
#include <optional>
#include <string>

namespace lumio {

// Launch at login through an XDG autostart entry, lumio.desktop, in the
// user's autostart folder. Main thread.
class XdgAutostart final : public AutostartEntry {
  public:
    explicit XdgAutostart(std::filesystem::path executable,
                          std::filesystem::path autostartDir = defaultDir());

    // autostart in the config home (files/XdgFolders.h).
    static std::filesystem::path defaultDir();

    // Writes lumio.desktop atomically (creating the folder), turning back on
    // an entry the user had turned off. Fails with "<path>: <system error>".
    std::optional<std::string> install() override;
    // Removes lumio.desktop unless it runs another program (an entry of the
    // user's own, say a wrapper script): that one stays, and success is
    // returned, since none of ours starts at login.
    std::optional<std::string> remove() override;
    // An entry that runs a program named lumio, or carries our mark, and is
    // neither Hidden nor turned off by X-GNOME-Autostart-enabled.
    bool isInstalled() const override;

    std::filesystem::path entryFile() const { return dir / "lumio.desktop"; }

  private:
    std::filesystem::path executable;
    std::filesystem::path dir;
};

} // namespace lumio
