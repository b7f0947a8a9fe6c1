#include "app/App.h"

#include "app/PlatformTexts.h"

namespace lumio {

void App::setLaunchAtLogin(bool on) {
    auto& item = platform.loginItem;
    const auto error = on ? item.registerItem() : item.unregisterItem();
    if (!error) return;
    platform.application.activate();
    platform.alerts.runModal({
        .iconName = std::nullopt,
        .message = texts::LAUNCH_AT_LOGIN_FAILED,
        .informativeText = std::string(texts::LAUNCH_AT_LOGIN_ADVICE) + "\n\n(" + *error + ")",
        .buttons = {},
    });
}

} // namespace lumio
