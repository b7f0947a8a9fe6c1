#include "desktop/system/WaylandIdleSource.h"

#include <QSocketNotifier>
#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <limits>

#include <poll.h>
#include <wayland-client.h>

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"

namespace lumio {

namespace {

// How long the compositor may take to list its globals; it is asked again
// later when it does not answer.
constexpr int ANSWER_TIMEOUT_MS = 500;

// Reads and dispatches whatever the compositor has sent, without waiting
// longer than timeoutMs for it. False once the connection is broken.
bool readAndDispatch(wl_display* display, int timeoutMs) {
    while (wl_display_prepare_read(display) != 0) {
        if (wl_display_dispatch_pending(display) < 0) return false;
    }
    wl_display_flush(display);
    pollfd readable{.fd = wl_display_get_fd(display), .events = POLLIN, .revents = 0};
    if (poll(&readable, 1, timeoutMs) <= 0) {
        wl_display_cancel_read(display);
        return timeoutMs == 0;
    }
    return wl_display_read_events(display) == 0 && wl_display_dispatch_pending(display) >= 0;
}

// A round trip that gives up after timeoutMs.
bool roundTrip(wl_display* display, int timeoutMs) {
    bool done = false;
    static const wl_callback_listener listener{
        .done = [](void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; }};
    wl_callback* callback = wl_display_sync(display);
    wl_callback_add_listener(callback, &listener, &done);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done) {
        if (wl_display_dispatch_pending(display) < 0 || done) break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 || !readAndDispatch(display, static_cast<int>(left))) break;
    }
    wl_callback_destroy(callback);
    return done;
}

} // namespace

struct WaylandIdleSource::Connection {
    wl_display* const display;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    ext_idle_notifier_v1* notifier = nullptr;
    ext_idle_notification_v1* notification = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout = nullptr;
    std::unique_ptr<QSocketNotifier> socket;
    IdleCrossings crossings;
    bool broken = false;

    Connection() : display(wl_display_connect(nullptr)) {}
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() {
        socket.reset();
        if (notification != nullptr) ext_idle_notification_v1_destroy(notification);
        if (notifier != nullptr) ext_idle_notifier_v1_destroy(notifier);
        if (kdeTimeout != nullptr) org_kde_kwin_idle_timeout_release(kdeTimeout);
        if (kdeIdle != nullptr) org_kde_kwin_idle_destroy(kdeIdle);
        if (seat != nullptr) wl_seat_destroy(seat);
        if (registry != nullptr) wl_registry_destroy(registry);
        if (display != nullptr) wl_display_disconnect(display);
    }

    // The globals we need, the first seat's among them.
    void offered(uint32_t id, const char* interface) {
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && seat == nullptr) {
            seat = static_cast<wl_seat*>(wl_registry_bind(registry, id, &wl_seat_interface, 1));
        } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
            notifier = static_cast<ext_idle_notifier_v1*>(
                wl_registry_bind(registry, id, &ext_idle_notifier_v1_interface, 1));
        } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
            kdeIdle = static_cast<org_kde_kwin_idle*>(
                wl_registry_bind(registry, id, &org_kde_kwin_idle_interface, 1));
        }
    }

    bool open(double threshold) {
        if (display == nullptr) return false;
        static const wl_registry_listener registryListener{
            .global = [](void* data, wl_registry*, uint32_t id, const char* interface,
                         uint32_t) { static_cast<Connection*>(data)->offered(id, interface); },
            .global_remove = [](void*, wl_registry*, uint32_t) {},
        };
        registry = wl_display_get_registry(display);
        wl_registry_add_listener(registry, &registryListener, this);
        if (!roundTrip(display, ANSWER_TIMEOUT_MS) || seat == nullptr) return false;

        const auto timeoutMs = static_cast<uint32_t>(std::clamp(
            threshold * 1000.0, 1.0, static_cast<double>(std::numeric_limits<uint32_t>::max())));
        if (notifier != nullptr) {
            static const ext_idle_notification_v1_listener listener{
                .idled = [](void* data, ext_idle_notification_v1*) { idled(data); },
                .resumed = [](void* data, ext_idle_notification_v1*) { resumed(data); },
            };
            notification = ext_idle_notifier_v1_get_idle_notification(notifier, timeoutMs, seat);
            ext_idle_notification_v1_add_listener(notification, &listener, this);
        } else if (kdeIdle != nullptr) {
            static const org_kde_kwin_idle_timeout_listener listener{
                .idle = [](void* data, org_kde_kwin_idle_timeout*) { idled(data); },
                .resumed = [](void* data, org_kde_kwin_idle_timeout*) { resumed(data); },
            };
            kdeTimeout = org_kde_kwin_idle_get_idle_timeout(kdeIdle, seat, timeoutMs);
            org_kde_kwin_idle_timeout_add_listener(kdeTimeout, &listener, this);
        } else {
            return false;
        }
        if (wl_display_flush(display) < 0) return false;
        socket =
            std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
        QObject::connect(socket.get(), &QSocketNotifier::activated, [this] { read(); });
        return true;
    }

    static void idled(void* data) { static_cast<Connection*>(data)->crossings.idled(); }
    static void resumed(void* data) { static_cast<Connection*>(data)->crossings.resumed(); }

    void read() {
        if (readAndDispatch(display, 0)) return;
        // A closed socket stays readable: stop watching it.
        broken = true;
        socket->setEnabled(false);
    }

    std::string protocol() const {
        return notification != nullptr ? ext_idle_notifier_v1_interface.name
                                       : org_kde_kwin_idle_interface.name;
    }
};

WaylandIdleSource::WaylandIdleSource() = default;
WaylandIdleSource::~WaylandIdleSource() = default;

std::string WaylandIdleSource::name() const {
    return connection ? connection->protocol() : "Wayland idle notifications";
}

bool WaylandIdleSource::start(double idleThreshold, std::function<void()> crossed) {
    connection.reset();
    threshold = idleThreshold;
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return false;
    auto opened = std::make_unique<Connection>();
    opened->crossings.tellTo(std::move(crossed));
    if (!opened->open(threshold)) return false;
    connection = std::move(opened);
    return true;
}

std::optional<double> WaylandIdleSource::idleSeconds() {
    if (!connection || connection->broken) return std::nullopt;
    return connection->crossings.seconds(threshold);
}

} // namespace lumio
