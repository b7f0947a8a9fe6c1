#include "schedule/OverlayLife.h"

#include "schedule/Schedule.h"

namespace lumio {

namespace {
// How long the panels and page are kept once a break has left the screen or
// the menu has closed: past the dimming's fade-out, and for the user who opens
// the menu again at once. Short, because they are the program's largest cost.
constexpr double OVERLAY_GRACE = 3.0;
} // namespace

bool OverlayLife::wanted(Instant now, bool inUse, std::optional<Instant> coming,
                         Seconds preparation) {
    if (inUse) usedAt = now;
    const bool soon = coming && *coming - now < preparation + Seconds{TICK_SECS};
    // A clock set back does not stretch the grace.
    const bool recent = usedAt && now >= *usedAt && now - *usedAt < Seconds{OVERLAY_GRACE};
    return soon || recent;
}

} // namespace lumio
