#include "app/App.h"

#include <algorithm>
#include <array>
#include <utility>

namespace lumio {

bool App::activateAction(std::string_view name) {
    using Operation = void (App::*)();
    static constexpr std::array<std::pair<std::string_view, Operation>, 4> ACTIONS{{
        {"break-now", &App::breakNow},
        {"toggle-pause", &App::togglePause},
        {"toggle-enabled", &App::toggleEnabled},
        {"quit", &App::quit},
    }};
    const auto* found =
        std::ranges::find(ACTIONS, name, &std::pair<std::string_view, Operation>::first);
    if (found == ACTIONS.end()) return false;
    (this->*found->second)();
    menu.refreshMenu();
    return true;
}

void App::activate() {
    platform.tray.popUpMenu();
}

void App::quit() {
    platform.loop.quit();
}

} // namespace lumio
