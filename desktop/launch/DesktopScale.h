#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace lumio {

// The integer window scale an XSETTINGS manager (XFCE's "Window Scaling",
// GNOME on X11) publishes as Gdk/WindowScalingFactor in the
// _XSETTINGS_SETTINGS property, read from its raw bytes; nullopt when the
// property does not hold it, or holds something malformed. Thread: any.
std::optional<int> windowScalingFactor(std::span<const std::uint8_t> settings);

// Scales Lumio as the desktop scales GTK programs: in an X11 session, a window scale
// above 1 becomes QT_SCALE_FACTOR, unless the user set Qt's own scale
// variables. Lumio's break helper inherits it. Main thread, before the
// QApplication exists.
void followDesktopScale();

} // namespace lumio
