#pragma once

#include "desktop/overlay/DockStruts.h"

#include <QRect>
#include <QSize>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

namespace lumio::x11 {

// The X server Qt is connected to, reached directly for what Qt has no API for.
// Every function is harmless (and answers false) when Qt does not run on X11.

bool hasDisplay();

// Whether the X server is XWayland in a Wayland session, as the session's
// environment says.
bool underWayland();

// A compositing manager owns the _NET_WM_CM_S<n> selection of the default screen;
// without one, translucent windows are drawn opaque.
bool compositorRunning();

// Tells compositors the window is a notification, so their rules for those
// (no shadow, no window animation) apply. The window must already exist.
void markAsNotification(const QWidget& window);

// Where the window the window manager calls active (_NET_ACTIVE_WINDOW) is, in
// root window pixels; nullopt when none is, as under XWayland when a native
// Wayland window has the focus.
std::optional<QRect> activeWindow();

// The name the window manager publishes on its _NET_SUPPORTING_WM_CHECK
// window ("GNOME Shell", "KWin", ...); empty without one.
std::string windowManagerName();

struct Docks {
    QSize root;                // what the struts are measured from
    std::vector<Strut> struts; // of every window that keeps any space
};

// The struts of the windows the window manager lists in _NET_CLIENT_LIST,
// read afresh: _NET_WM_STRUT_PARTIAL, or else the older _NET_WM_STRUT, which
// spans whole edges. No struts without a window manager that keeps the list.
Docks docks();

} // namespace lumio::x11
