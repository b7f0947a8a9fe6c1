#include "desktop/break/LayerSurface.h"

#include "desktop/break/LayerShell.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"

#include <wayland-client.h>

namespace lumio {

namespace {

constexpr auto NAMESPACE = "lumio-break";

uint32_t length(int pixels) {
    return static_cast<uint32_t>(std::max(pixels, 1));
}

} // namespace

LayerSurface::LayerSurface(const LayerShell& shell, wl_surface* surface, Placement placement,
                           QSize size, std::function<void(QSize)> onResize,
                           std::function<void()> onClosed)
    : shell(shell), placement(placement), onResize(std::move(onResize)),
      onClosed(std::move(onClosed)) {
    // Surfaces within one layer stack in an order each compositor picks (sway
    // 1.7 puts the newest lowest), so the cover goes a layer below the corner
    // to stay under it everywhere. A null output: the compositor's active
    // one, where the user is.
    const uint32_t layer = placement == Placement::Cover ? ZWLR_LAYER_SHELL_V1_LAYER_TOP
                                                         : ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY;
    layerSurface =
        zwlr_layer_shell_v1_get_layer_surface(shell.shell(), surface, nullptr, layer, NAMESPACE);
    static constexpr zwlr_layer_surface_v1_listener LISTENER{.configure = configure,
                                                             .closed = closed};
    zwlr_layer_surface_v1_add_listener(layerSurface, &LISTENER, this);
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        layerSurface, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    if (placement == Placement::Cover) {
        zwlr_layer_surface_v1_set_anchor(layerSurface, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                           ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                           ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                           ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_size(layerSurface, 0, 0);
        zwlr_layer_surface_v1_set_exclusive_zone(layerSurface, -1);
        wl_region* const nowhere = wl_compositor_create_region(shell.compositor());
        wl_surface_set_input_region(surface, nowhere);
        wl_region_destroy(nowhere);
    } else {
        zwlr_layer_surface_v1_set_anchor(layerSurface, ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                           ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_size(layerSurface, length(size.width()), length(size.height()));
        zwlr_layer_surface_v1_set_exclusive_zone(layerSurface, 0);
    }
    // No buffer may come before the first configure is acknowledged.
    wl_surface_commit(surface);
    wl_display_roundtrip_queue(shell.display(), shell.queue());
}

LayerSurface::~LayerSurface() {
    zwlr_layer_surface_v1_destroy(layerSurface);
    wl_display_flush(shell.display());
}

void LayerSurface::setSize(QSize size) {
    if (placement != Placement::Corner) return;
    zwlr_layer_surface_v1_set_size(layerSurface, length(size.width()), length(size.height()));
    wl_display_flush(shell.display());
}

void LayerSurface::configure(void* data, zwlr_layer_surface_v1* layerSurface, uint32_t serial,
                             uint32_t width, uint32_t height) {
    auto* const self = static_cast<LayerSurface*>(data);
    zwlr_layer_surface_v1_ack_configure(layerSurface, serial);
    wl_display_flush(self->shell.display());
    // Zero leaves the size to us: the one we asked for stands.
    if (width > 0 && height > 0 && self->onResize) {
        self->onResize(QSize(static_cast<int>(width), static_cast<int>(height)));
    }
}

void LayerSurface::closed(void* data, zwlr_layer_surface_v1*) {
    auto* const self = static_cast<LayerSurface*>(data);
    if (self->onClosed) self->onClosed();
}

} // namespace lumio
