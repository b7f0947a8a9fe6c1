#include "app/App.h"

#include "ports/PlatformTexts.h"

namespace lumio {

void App::setLaunchAtLogin(bool on) {
    auto& entry = platform.autostart;
    const auto error = on ? entry.install() : entry.remove();
    if (!error) return;
    platform.dialogs.ask({
        .iconName = std::nullopt,
        .text = texts::LAUNCH_AT_LOGIN_FAILED,
        .informativeText = std::string(texts::LAUNCH_AT_LOGIN_ADVICE) + "\n\n(" + *error + ")",
        .buttons = {},
    });
}

} // namespace lumio
