#include "desktop/break/LayerShell.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"

#include <QAbstractEventDispatcher>
#include <QGuiApplication>
#include <cstring>
#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>

namespace lumio {

namespace {

constexpr auto SHELL_NAME = "zwlr_layer_shell_v1";
constexpr auto COMPOSITOR_NAME = "wl_compositor";

void ignoreRemoved(void*, wl_registry*, uint32_t) {}

void noteShell(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
    if (std::strcmp(interface, SHELL_NAME) == 0) *static_cast<bool*>(data) = true;
}

constexpr wl_registry_listener PROBE{.global = noteShell, .global_remove = ignoreRemoved};

} // namespace

bool LayerShell::offered() {
    wl_display* const probe = wl_display_connect(nullptr);
    if (probe == nullptr) return false;
    bool found = false;
    wl_registry* const globals = wl_display_get_registry(probe);
    wl_registry_add_listener(globals, &PROBE, &found);
    wl_display_roundtrip(probe);
    wl_registry_destroy(globals);
    wl_display_disconnect(probe);
    return found;
}

std::unique_ptr<LayerShell> LayerShell::connect() {
    if (QGuiApplication::platformName() != QLatin1String("wayland")) return nullptr;
    auto* const native = QGuiApplication::platformNativeInterface();
    auto* const display = static_cast<wl_display*>(
        native->nativeResourceForIntegration(QByteArrayLiteral("wl_display")));
    if (display == nullptr) return nullptr;
    std::unique_ptr<LayerShell> layers(new LayerShell(display, wl_display_create_queue(display)));
    if (layers->layerShell == nullptr || layers->surfaces == nullptr) return nullptr;
    return layers;
}

LayerShell::LayerShell(wl_display* connection, wl_event_queue* events)
    : connection(connection), events(events) {
    // Our registry, and so every object made from it, answers on our queue and
    // never in Qt's handlers.
    auto* const wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(connection));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), events);
    registry = wl_display_get_registry(wrapper);
    wl_proxy_wrapper_destroy(wrapper);
    static constexpr wl_registry_listener BIND{
        .global =
            [](void* data, wl_registry* globals, uint32_t name, const char* interface, uint32_t) {
                auto* const self = static_cast<LayerShell*>(data);
                if (std::strcmp(interface, SHELL_NAME) == 0 && self->layerShell == nullptr) {
                    self->layerShell = static_cast<zwlr_layer_shell_v1*>(
                        wl_registry_bind(globals, name, &zwlr_layer_shell_v1_interface, 1));
                } else if (std::strcmp(interface, COMPOSITOR_NAME) == 0 &&
                           self->surfaces == nullptr) {
                    self->surfaces = static_cast<wl_compositor*>(
                        wl_registry_bind(globals, name, &wl_compositor_interface, 1));
                }
            },
        .global_remove = ignoreRemoved};
    wl_registry_add_listener(registry, &BIND, this);
    wl_display_roundtrip_queue(connection, events);
    // Qt's reader thread sorts our events into our queue; they are handled
    // here, on the main thread, before it next waits.
    dispatching = QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
        [connection, events] { wl_display_dispatch_queue_pending(connection, events); });
}

LayerShell::~LayerShell() {
    QObject::disconnect(dispatching);
    if (layerShell != nullptr) zwlr_layer_shell_v1_destroy(layerShell);
    if (surfaces != nullptr) wl_compositor_destroy(surfaces);
    wl_registry_destroy(registry);
    wl_display_flush(connection);
    wl_event_queue_destroy(events);
}

} // namespace lumio
