#include "desktop/overlay/QtScreens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace lumio {

namespace {

Rect rect(const QRect& r) {
    return {static_cast<double>(r.x()), static_cast<double>(r.y()), static_cast<double>(r.width()),
            static_cast<double>(r.height())};
}

Screen screen(const QScreen& s) {
    return {rect(s.geometry()), rect(s.availableGeometry())};
}

} // namespace

std::vector<Screen> QtScreens::screens() const {
    std::vector<Screen> result;
    for (const QScreen* s : QGuiApplication::screens())
        result.push_back(screen(*s));
    return result;
}

std::optional<Screen> QtScreens::mainScreen() const {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) return std::nullopt;
    return screen(*primary);
}

Point QtScreens::pointer() const {
    const QPoint at = QCursor::pos();
    return {static_cast<double>(at.x()), static_cast<double>(at.y())};
}

} // namespace lumio
