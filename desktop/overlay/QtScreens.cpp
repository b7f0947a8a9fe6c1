#include "desktop/overlay/QtScreens.h"

#include "desktop/overlay/X11Display.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace lumio {

namespace {

Rect rect(const QRect& r) {
    return {static_cast<double>(r.x()), static_cast<double>(r.y()), static_cast<double>(r.width()),
            static_cast<double>(r.height())};
}

// Qt keeps a screen's origin in device pixels and scales only its size, and
// everything within it around that origin.
QRect devicePixels(const QScreen& s) {
    const QRect logical = s.geometry();
    return {logical.topLeft(), logical.size() * s.devicePixelRatio()};
}

QRect logicalPixels(const QScreen& s, const QRect& device) {
    const QPoint origin = s.geometry().topLeft();
    const qreal ratio = s.devicePixelRatio();
    return {origin + (device.topLeft() - origin) / ratio, device.size() / ratio};
}

// Qt's figure comes from the one work area the window manager publishes for
// the whole desktop, which cannot describe a dock on one monitor of several
// (window managers leave such docks out of it): the docks' own struts say
// what each keeps.
Screen screen(const QScreen& s, const x11::Docks& docks) {
    const QRect fromStruts =
        logicalPixels(s, visibleArea(devicePixels(s), docks.root, docks.struts));
    const QRect both = s.availableGeometry() & fromStruts;
    return {rect(s.geometry()), rect(both.isEmpty() ? s.availableGeometry() : both)};
}

// A window's place in root window pixels, in logical pixels of the screen
// its centre is on.
std::optional<QRect> logicalPixels(const std::optional<QRect>& device) {
    if (!device) return std::nullopt;
    for (const QScreen* s : QGuiApplication::screens()) {
        if (devicePixels(*s).contains(device->center())) return logicalPixels(*s, *device);
    }
    return std::nullopt;
}

} // namespace

QPoint followedPoint(const UserWhereabouts& where) {
    if (!where.waylandSession) return where.pointer;
    if (where.focusedXWindow) return where.focusedXWindow->center();
    if (where.primaryScreen) return where.primaryScreen->center();
    return where.pointer;
}

std::vector<Screen> QtScreens::screens() const {
    const x11::Docks docks = x11::docks();
    std::vector<Screen> result;
    for (const QScreen* s : QGuiApplication::screens())
        result.push_back(screen(*s, docks));
    return result;
}

std::optional<Screen> QtScreens::primaryScreen() const {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) return std::nullopt;
    return screen(*primary, x11::docks());
}

Point QtScreens::pointerPosition() const {
    // Only a Wayland session needs the X server asked more.
    const bool wayland = x11::underWayland();
    const QScreen* primary = QGuiApplication::primaryScreen();
    const UserWhereabouts where{
        .waylandSession = wayland,
        .pointer = QCursor::pos(),
        .focusedXWindow = wayland ? logicalPixels(x11::activeWindow()) : std::nullopt,
        .primaryScreen = primary ? std::optional(primary->geometry()) : std::nullopt};
    const QPoint at = followedPoint(where);
    return {static_cast<double>(at.x()), static_cast<double>(at.y())};
}

} // namespace lumio
