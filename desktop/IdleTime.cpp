#include "desktop/IdleTime.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariant>
#include <QtGlobal>

// Xlib's macros (None, Bool, Status...) clash with Qt's names: Xlib comes last.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace lumio {

namespace {

// Asked once a tick on the main thread: a hung service must not freeze the UI.
constexpr int CALL_TIMEOUT_MS = 200;

// Under Wayland the X server (Xwayland) sees only the input that goes to X
// windows, so its idle time would call a user typing in a native window away,
// even while this program itself draws through Xwayland.
bool x11Session() {
    return qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           qEnvironmentVariable("XDG_SESSION_TYPE") != QLatin1String("wayland") &&
           !qEnvironmentVariableIsEmpty("DISPLAY");
}

// A reply of one uint32 or uint64 count of milliseconds, in seconds.
std::optional<double> askSessionBus(const QString& service, const QString& path,
                                    const QString& interface, const QString& method) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setAutoStartService(false);
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, CALL_TIMEOUT_MS);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        return std::nullopt;
    }
    const QVariant value = reply.arguments().constFirst();
    switch (value.metaType().id()) {
    case QMetaType::UInt:
        return value.toUInt() / 1000.0;
    case QMetaType::ULongLong:
        return static_cast<double>(value.toULongLong()) / 1000.0;
    default:
        return std::nullopt;
    }
}

} // namespace

struct DesktopIdleSource::XServer {
    Display* display;
    XScreenSaverInfo* info;

    XServer(Display* display, XScreenSaverInfo* info) : display(display), info(info) {}
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    ~XServer() {
        XFree(info);
        XCloseDisplay(display);
    }

    static std::unique_ptr<XServer> open() {
        if (!x11Session()) return nullptr;
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr) return nullptr;
        int eventBase = 0;
        int errorBase = 0;
        XScreenSaverInfo* info = XScreenSaverQueryExtension(display, &eventBase, &errorBase)
                                     ? XScreenSaverAllocInfo()
                                     : nullptr;
        if (info == nullptr) {
            XCloseDisplay(display);
            return nullptr;
        }
        return std::make_unique<XServer>(display, info);
    }

    std::optional<double> idleSeconds() const {
        if (XScreenSaverQueryInfo(display, XDefaultRootWindow(display), info) == 0) {
            return std::nullopt;
        }
        return static_cast<double>(info->idle) / 1000.0;
    }
};

DesktopIdleSource::DesktopIdleSource(std::ostream& log) : xServer(XServer::open()), log(log) {
    if (xServer) sources.emplace_back([server = xServer.get()] { return server->idleSeconds(); });
    if (QDBusConnection::sessionBus().isConnected()) {
        sources.emplace_back([] {
            return askSessionBus(QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                 QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
                                 QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                 QStringLiteral("GetIdletime"));
        });
        for (const auto* path : {"/org/freedesktop/ScreenSaver", "/ScreenSaver"}) {
            sources.emplace_back([path = QString::fromLatin1(path)] {
                return askSessionBus(QStringLiteral("org.freedesktop.ScreenSaver"), path,
                                     QStringLiteral("org.freedesktop.ScreenSaver"),
                                     QStringLiteral("GetSessionIdleTime"));
            });
        }
    }
    secondsSinceLastInput();
}

DesktopIdleSource::~DesktopIdleSource() = default;

double DesktopIdleSource::secondsSinceLastInput() {
    for (; !sources.empty(); sources.pop_front()) {
        if (const auto seconds = sources.front()()) return *seconds;
    }
    if (!reportedNone) {
        log << "lumio: no idle-time source on this desktop; breaks are never skipped for being "
               "away"
            << std::endl;
        reportedNone = true;
    }
    return 0.0;
}

} // namespace lumio
