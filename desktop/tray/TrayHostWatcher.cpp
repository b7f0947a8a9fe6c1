#include "desktop/tray/TrayHostWatcher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <string>

namespace lumio {

namespace {

const QString WATCHER_SERVICE = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WATCHER_PATH = QStringLiteral("/StatusNotifierWatcher");
constexpr int DBUS_TIMEOUT_MS = 1000;

std::string traySelection(int screen) {
    return "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
}

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
    const std::string selection = traySelection(DefaultScreen(display));
    const Atom atom = XInternAtom(display, selection.c_str(), False);
    return XGetSelectionOwner(display, atom) != None;
}

} // namespace

bool trayHostAvailable() {
    return statusNotifierHostRegistered() || x11TrayPresent();
}

// A tray manager that takes the tray selection tells every client with a
// MANAGER message to the root window. Heard on an X connection of our own,
// whose interest in the root window leaves Qt's alone.
struct TrayHostWatcher::X11Announcements {
    int screenNumber = 0; // set by xcb_connect, so first
    xcb_connection_t* const xcb;
    xcb_atom_t manager = XCB_ATOM_NONE;
    xcb_atom_t selection = XCB_ATOM_NONE;
    std::unique_ptr<QSocketNotifier> socket;

    X11Announcements() : xcb(xcb_connect(nullptr, &screenNumber)) {}
    ~X11Announcements() {
        socket.reset();
        xcb_disconnect(xcb);
    }
    X11Announcements(const X11Announcements&) = delete;
    X11Announcements& operator=(const X11Announcements&) = delete;

    xcb_atom_t atom(const std::string& name) {
        auto* reply = xcb_intern_atom_reply(
            xcb, xcb_intern_atom(xcb, 0, static_cast<uint16_t>(name.size()), name.data()), nullptr);
        const xcb_atom_t found = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return found;
    }

    bool open(std::function<void()> heard) {
        if (xcb_connection_has_error(xcb) != 0) return false;
        auto screens = xcb_setup_roots_iterator(xcb_get_setup(xcb));
        for (int n = screenNumber; screens.rem > 1 && n > 0; --n)
            xcb_screen_next(&screens);
        manager = atom("MANAGER");
        selection = atom(traySelection(screenNumber));
        if (manager == XCB_ATOM_NONE || selection == XCB_ATOM_NONE) return false;
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(xcb, screens.data->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(xcb);
        socket =
            std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(xcb), QSocketNotifier::Read);
        QObject::connect(socket.get(), &QSocketNotifier::activated,
                         [this, heard = std::move(heard)] {
                             if (read()) heard();
                         });
        return true;
    }

    // Whether a tray manager announced itself among what has come.
    bool read() {
        bool announced = false;
        while (auto* event = xcb_poll_for_event(xcb)) {
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                announced = announced || (message->type == manager && message->format == 32 &&
                                          message->data.data32[1] == selection);
            }
            std::free(event);
        }
        // A closed socket stays readable: stop watching it.
        if (xcb_connection_has_error(xcb) != 0) socket->setEnabled(false);
        return announced;
    }
};

TrayHostWatcher::TrayHostWatcher(std::function<void()> onAvailable)
    : onAvailable(std::move(onAvailable)),
      serviceWatcher(WATCHER_SERVICE, QDBusConnection::sessionBus(),
                     QDBusServiceWatcher::WatchForRegistration) {
    connect(&serviceWatcher, &QDBusServiceWatcher::serviceRegistered, this, [this] { look(); });
    QDBusConnection::sessionBus().connect(WATCHER_SERVICE, WATCHER_PATH, WATCHER_SERVICE,
                                          QStringLiteral("StatusNotifierHostRegistered"), this,
                                          SLOT(look()));
    auto announcements = std::make_unique<X11Announcements>();
    if (announcements->open([this] { look(); })) x11 = std::move(announcements);
}

TrayHostWatcher::~TrayHostWatcher() = default;

void TrayHostWatcher::look() {
    if (told || !trayHostAvailable()) return;
    told = true;
    onAvailable();
}

} // namespace lumio
