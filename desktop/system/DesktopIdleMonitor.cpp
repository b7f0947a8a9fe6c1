#include "desktop/system/DesktopIdleMonitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariant>
#include <QtGlobal>

#include <chrono>
#include <cstdlib>

#include <xcb/screensaver.h>
#include <xcb/xcb.h>

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

// The X server's idle time, asked one call ahead: each call takes the answer
// to the question the previous call sent, which has long arrived, and sends
// the next. Waiting for a fresh answer would wake the program a second time
// every tick; the price is that input comes to light one call late.
struct DesktopIdleMonitor::XServer {
    using Clock = std::chrono::steady_clock;

    xcb_connection_t* connection;
    xcb_window_t root;
    std::optional<xcb_screensaver_query_info_cookie_t> asked;
    Clock::time_point askedAt;

    XServer(xcb_connection_t* connection, xcb_window_t root) : connection(connection), root(root) {}
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    ~XServer() {
        if (asked) xcb_discard_reply(connection, asked->sequence);
        xcb_disconnect(connection);
    }

    static std::unique_ptr<XServer> open() {
        if (!x11Session()) return nullptr;
        int screenNumber = 0;
        xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
        const auto* extension = xcb_connection_has_error(connection) == 0
                                    ? xcb_get_extension_data(connection, &xcb_screensaver_id)
                                    : nullptr;
        if (extension == nullptr || !extension->present) {
            xcb_disconnect(connection);
            return nullptr;
        }
        auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (; screens.rem > 1 && screenNumber > 0; --screenNumber)
            xcb_screen_next(&screens);
        return std::make_unique<XServer>(connection, screens.data->root);
    }

    void ask() {
        asked = xcb_screensaver_query_info(connection, root);
        askedAt = Clock::now();
        xcb_flush(connection);
    }

    std::optional<double> idleSeconds() {
        if (!asked) ask();
        const auto cookie = *asked;
        const auto at = askedAt;
        asked.reset();
        xcb_screensaver_query_info_reply_t* reply =
            xcb_screensaver_query_info_reply(connection, cookie, nullptr);
        if (reply == nullptr) return std::nullopt;
        const double idle = reply->ms_since_user_input / 1000.0 +
                            std::chrono::duration<double>(Clock::now() - at).count();
        std::free(reply);
        ask();
        return idle;
    }
};

DesktopIdleMonitor::DesktopIdleMonitor(std::ostream& log) : xServer(XServer::open()), log(log) {
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

DesktopIdleMonitor::~DesktopIdleMonitor() = default;

double DesktopIdleMonitor::secondsSinceLastInput() {
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
