#pragma once

#include <array>
#include <string_view>

namespace lumio {

// The animals the break page can draw.
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
