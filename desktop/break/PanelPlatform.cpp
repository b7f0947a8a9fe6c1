#include "desktop/break/PanelPlatform.h"

#include "desktop/break/LayerShell.h"

#include <QByteArray>
#include <QtGlobal>

namespace lumio {

void choosePanelPlatform() {
    const QByteArray asked = qgetenv("QT_QPA_PLATFORM");
    const bool waylandAllowed = asked.isEmpty() || asked.startsWith("wayland");
    if (waylandAllowed && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        LayerShell::offered()) {
        if (asked.isEmpty()) qputenv("QT_QPA_PLATFORM", "wayland");
        // Qt then gives the panels, which carry the bypass hint, no shell
        // surface of its own, so that they can become layer surfaces.
        qputenv("QT_WAYLAND_USE_BYPASSWINDOWMANAGERHINT", "1");
        return;
    }
    if (asked.isEmpty()) qputenv("QT_QPA_PLATFORM", "xcb");
}

} // namespace lumio
