#pragma once

#include <QMetaObject>
#include <memory>

struct wl_compositor;
struct wl_display;
struct wl_event_queue;
struct wl_registry;
struct zwlr_layer_shell_v1;

namespace lumio {

// The compositor's layer shell (zwlr_layer_shell_v1: KDE Plasma, sway,
// Hyprland, labwc...), which keeps surfaces above every window without a
// window manager deciding, reached over Qt's own Wayland connection on an event
// queue of ours. Our events are handled on the main thread whenever its event
// loop is about to wait. Main thread only.
class LayerShell {
  public:
    // Whether the compositor at WAYLAND_DISPLAY offers it; asks on a
    // connection of its own, so that it can be asked before Qt starts.
    static bool offered();

    // The layer shell on Qt's connection; nullptr when Qt does not run on
    // Wayland or the compositor has none.
    static std::unique_ptr<LayerShell> connect();

    ~LayerShell();
    LayerShell(const LayerShell&) = delete;
    LayerShell& operator=(const LayerShell&) = delete;

    wl_display* display() const { return connection; }
    wl_event_queue* queue() const { return events; }
    zwlr_layer_shell_v1* shell() const { return layerShell; }
    wl_compositor* compositor() const { return surfaces; }

  private:
    LayerShell(wl_display* connection, wl_event_queue* events);

    wl_display* const connection;
    wl_event_queue* const events;
    wl_registry* registry = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    wl_compositor* surfaces = nullptr;
    QMetaObject::Connection dispatching;
};

} // namespace lumio
