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

// Options the copy of Lumio that hands over to an updated install passes on
// to it, each followed by an instant in seconds since the epoch: the next
// break, or the end of the pause in force.
inline constexpr std::string_view RESUME_NEXT_BREAK = "--resume-next-break=";
inline constexpr std::string_view RESUME_PAUSED_UNTIL = "--resume-paused-until=";

} // namespace lumio
