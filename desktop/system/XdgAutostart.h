#pragma once

#include "ports/LoginItem.h"

#include <filesystem>
#include <optional>
#include <string>

namespace lumio {

// Launch at login through an XDG autostart entry, lumio.desktop, in the
// user's autostart folder.
class XdgAutostart final : public LoginItem {
  public:
    explicit XdgAutostart(std::filesystem::path executable,
                          std::filesystem::path autostartDir = defaultDir());

    // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart.
    static std::filesystem::path defaultDir();

    std::optional<std::string> registerItem() override;
    std::optional<std::string> unregisterItem() override;
    LoginItemStatus status() const override;

    std::filesystem::path entryFile() const { return dir / "lumio.desktop"; }

  private:
    std::filesystem::path executable;
    std::filesystem::path dir;
};

} // namespace lumio
