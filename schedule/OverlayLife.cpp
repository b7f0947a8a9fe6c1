#include "app/App.h"

namespace lumio {

namespace {
// How long the panels and page are kept once a break has left the screen or
// the menu has closed: past the dimming's fade-out, and for the user who opens
// the menu again at once. Short, because they are the program's largest cost.
constexpr double OVERLAY_GRACE = 3.0;
// Ticks come a second apart: the one before the lead runs out prepares.
constexpr double TICK = 1.0;
} // namespace

// The next instant a break can come due, unless none can come while things
// stay as they are (reminders off, the user away, the screen locked). A pause
// ends with a fresh interval.
std::optional<Instant> App::comingBreak() const {
    if (!prefs.enabled() || away || locked) return std::nullopt;
    if (pausedUntil) return *pausedUntil + Seconds{intervalLead()};
    return nextBreak;
}

void App::tendOverlay() {
    const auto t = now();
    if (overlay->isShowing() || menuOpen) overlayUsedAt = t;
    const auto coming = comingBreak();
    const bool soon = coming && *coming - t < platform.overlay.preparationTime() + Seconds{TICK};
    // A clock set back does not stretch the grace.
    const bool recent =
        overlayUsedAt && t >= *overlayUsedAt && t - *overlayUsedAt < Seconds{OVERLAY_GRACE};
    if (soon || recent) {
        overlay->prepare();
    } else {
        overlay->release();
    }
}

} // namespace lumio
