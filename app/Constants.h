#pragma once

#include <array>
#include <string_view>
#include <utility>

namespace lumio {

// Minutes a snoozed break is put off; also what the page promises the user.
inline constexpr double SNOOZE_MIN = 5.0;
// Seconds without input after which the user counts as away.
inline constexpr double IDLE_SECS = 300.0;
// Seconds between two ticks of the countdown.
inline constexpr double TICK_SECS = 1.0;

// Options that launch Lumio and then do one of its actions (App::activateAction).
inline constexpr std::array<std::pair<std::string_view, std::string_view>, 2> LAUNCH_ACTIONS{{
    {"--break-now", "break-now"},
    {"--toggle-pause", "toggle-pause"},
}};

struct Animal {
    std::string_view id;   // stored in "animals" and sent to the page unescaped
    std::string_view name; // shown in the menu
};

// Ids are unique lowercase ASCII words: the page script embeds them verbatim.
inline constexpr std::array<Animal, 6> ANIMALS{{
    {"cat", "Mèo Cam"},
    {"dog", "Cún Shiba"},
    {"bunny", "Thỏ Bông"},
    {"panda", "Gấu Trúc"},
    {"frog", "Ếch Xanh"},
    {"penguin", "Cánh Cụt"},
}};

} // namespace lumio
