#include "desktop/tray/TrayHostWatcher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>

#include <X11/Xlib.h>

#include <string>

namespace lumio {

namespace {

const QString WATCHER_SERVICE = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WATCHER_PATH = QStringLiteral("/StatusNotifierWatcher");
constexpr int DBUS_TIMEOUT_MS = 1000;
constexpr int POLL_MS = 2000;

bool statusNotifierHostRegistered() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const auto* busInterface = bus.interface();
    if (!busInterface || !busInterface->isServiceRegistered(WATCHER_SERVICE)) return false;
    auto get = QDBusMessage::createMethodCall(WATCHER_SERVICE, WATCHER_PATH,
                                              QStringLiteral("org.freedesktop.DBus.Properties"),
                                              QStringLiteral("Get"));
    get << WATCHER_SERVICE << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, DBUS_TIMEOUT_MS);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

bool x11TrayPresent() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return false;
    const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
    const Atom atom = XInternAtom(display, selection.c_str(), False);
    return XGetSelectionOwner(display, atom) != None;
}

} // namespace

bool trayHostAvailable() {
    return statusNotifierHostRegistered() || x11TrayPresent();
}

TrayHostWatcher::TrayHostWatcher(std::function<void()> onAvailable)
    : onAvailable(std::move(onAvailable)),
      serviceWatcher(WATCHER_SERVICE, QDBusConnection::sessionBus(),
                     QDBusServiceWatcher::WatchForRegistration) {
    connect(&serviceWatcher, &QDBusServiceWatcher::serviceRegistered, this, [this] { look(); });
    QDBusConnection::sessionBus().connect(WATCHER_SERVICE, WATCHER_PATH, WATCHER_SERVICE,
                                          QStringLiteral("StatusNotifierHostRegistered"), this,
                                          SLOT(look()));
    connect(&poll, &QTimer::timeout, this, [this] { look(); });
    poll.start(POLL_MS);
}

void TrayHostWatcher::look() {
    if (!poll.isActive() || !trayHostAvailable()) return;
    poll.stop();
    onAvailable();
}

} // namespace lumio
