#include "desktop/system/ScreenSaverIdleSource.h"

#include "desktop/system/SessionBusCall.h"

#include <QDBusConnection>

namespace lumio {

std::string ScreenSaverIdleSource::name() const {
    return "org.freedesktop.ScreenSaver at " + path.toStdString();
}

bool ScreenSaverIdleSource::start(double, std::function<void()>) {
    return QDBusConnection::sessionBus().isConnected();
}

std::optional<double> ScreenSaverIdleSource::idleSeconds() {
    const auto ms = callForNumber(QStringLiteral("org.freedesktop.ScreenSaver"), path,
                                  QStringLiteral("org.freedesktop.ScreenSaver"),
                                  QStringLiteral("GetSessionIdleTime"));
    if (!ms) return std::nullopt;
    return static_cast<double>(*ms) / 1000.0;
}

} // namespace lumio
