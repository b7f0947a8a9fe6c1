#include "app/App.h"

#include "app/Constants.h"
#include "app/PlatformTexts.h"

#include <algorithm>

namespace lumio {

App::App(Platform& platform, std::vector<std::string> arguments)
    : platform(platform), arguments(std::move(arguments)), prefs(platform.settings, platform.clock),
      chime(platform.audio) {
    nextItem.title = "";
    todayItem.title = "";
    pauseItem.action = weakly([this] { togglePause(); });
    enabledItem.title = "Bật nhắc nhở";
    enabledItem.action = weakly([this] { toggleEnabled(); });
}

void App::applicationDidFinishLaunching() {
    prefs.registerDefaults();
    overlay = std::make_unique<Overlay>(platform.overlay,
                                        weakly([this](const std::string& m) { handle(m); }));
    buildStatusItem();
    observeSystem();
    restart();
    platform.loop.startTicker(Seconds{1.0}, Seconds{0.3}, weakly([this] {
                                  tick();
                                  tendOverlay();
                              }));

    // A launch that asks for an action does it a second later, and the
    // welcome waits for a plain launch.
    for (const auto& [option, action] : LAUNCH_ACTIONS) {
        if (std::ranges::find(arguments, option) == arguments.end()) continue;
        platform.loop.after(Seconds{1.0}, weakly([this, action] { activateAction(action); }));
        return;
    }
    if (prefs.boolForKey("welcomed")) return;
    prefs.setBool("welcomed", true);
    platform.loop.after(Seconds{0.5}, weakly([this] { welcome(); }));
}

void App::welcome() {
    platform.application.activate();
    const Alert alert{
        .iconName = "AppIcon",
        .message = "Lumio đã chạy rồi nè! 🐱",
        .informativeText = "Cứ " + std::to_string(prefs.intervalMin()) +
                           " phút, một bạn thú sẽ nhảy ra góc màn hình nhắc bạn nhìn ra xa " +
                           std::to_string(prefs.breakSec()) +
                           " giây.\n\nMọi cài đặt nằm ở biểu tượng con mèo trên thanh menu "
                           "(góc phải trên).",
        .buttons = {texts::LAUNCH_AT_LOGIN, "Để sau"},
    };
    if (platform.alerts.runModal(alert) == ALERT_FIRST_BUTTON) setLaunchAtLogin(true);
}

} // namespace lumio
