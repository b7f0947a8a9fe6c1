#pragma once

#include <QString>
#include <QtGlobal>

namespace lumio {

// Whether the session is X11 itself rather than Wayland with Xwayland: the
// X server's idle time counts only the input it sees, and under Wayland that
// is just the input that goes to X windows.
inline bool x11Session() {
    return qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           qEnvironmentVariable("XDG_SESSION_TYPE") != QLatin1String("wayland") &&
           !qEnvironmentVariableIsEmpty("DISPLAY");
}

} // namespace lumio
