#include "schedule/OverlayLife.h"

namespace lumio {

namespace {
// How long the panels and page are kept once a break has left the screen or
// the menu has closed: past the dimming's fade-out, and for the user who opens
// the menu again at once. Short, because they are the program's largest cost.
constexpr double OVERLAY_GRACE = 3.0;
} // namespace

bool OverlayLife::wanted(Instant now, bool inUse, std::optional<Instant> coming,
                         Seconds preparation) {
    // A use the clock was set back past is forgotten, not kept for when the
    // clock comes to it again.
    if (usedAt && now < *usedAt) usedAt.reset();
    if (inUse) usedAt = now;
    return wantedUnused(now, coming, preparation);
}

bool OverlayLife::wantedUnused(Instant now, std::optional<Instant> coming,
                               Seconds preparation) const {
    const bool soon = coming && *coming - now <= preparation;
    return soon || graceEnd(now);
}

std::optional<Instant> OverlayLife::graceEnd(Instant now) const {
    // A clock set back does not stretch the grace.
    if (!usedAt || now < *usedAt || now - *usedAt >= Seconds{OVERLAY_GRACE}) return std::nullopt;
    return *usedAt + Seconds{OVERLAY_GRACE};
}

std::optional<Instant> OverlayLife::nextChange(Instant now, std::optional<Instant> coming,
                                               Seconds preparation, bool prepared) const {
    if (prepared && !wantedUnused(now, coming, preparation)) return now;
    if (const auto end = graceEnd(now)) return end;
    if (coming && *coming - preparation > now) return *coming - preparation;
    return std::nullopt;
}

} // namespace lumio
