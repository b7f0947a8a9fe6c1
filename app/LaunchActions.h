#pragma once

#include <array>
#include <string_view>
#include <utility>

namespace lumio {

// Options that launch Lumio and then do one of its actions (App::activateAction).
inline constexpr std::array<std::pair<std::string_view, std::string_view>, 2> LAUNCH_ACTIONS{{
    {"--break-now", "break-now"},
    {"--toggle-pause", "toggle-pause"},
}};

} // namespace lumio
