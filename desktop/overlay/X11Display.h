#pragma once

#include <QWidget>

namespace lumio::x11 {

// The X server Qt is connected to, reached directly for what Qt has no API for.
// Every function is harmless (and answers false) when Qt does not run on X11.

bool hasDisplay();

// A compositing manager owns the _NET_WM_CM_S<n> selection of the default screen;
// without one, translucent windows are drawn opaque.
bool compositorRunning();

// Tells compositors the window is a notification, so their rules for those
// (no shadow, no window animation) apply. The window must already exist.
void markAsNotification(const QWidget& window);

} // namespace lumio::x11
