#pragma once

namespace lumio {

// Chooses, before Qt starts, where the break panels go: layer surfaces when
// the Wayland compositor offers a layer shell (KDE Plasma, sway...), X11
// windows otherwise, through XWayland on a Wayland session without one
// (GNOME). A QT_QPA_PLATFORM the user set stands: "xcb" keeps the panels on
// X11, and "wayland" gets layer surfaces only where the compositor has them.
void choosePanelPlatform();

} // namespace lumio
