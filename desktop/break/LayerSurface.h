#pragma once

#include <QSize>
#include <functional>

struct wl_surface;
struct zwlr_layer_surface_v1;

namespace lumio {

class LayerShell;

// One of Qt's surfaces given the layer surface role: above the windows of the
// output the compositor finds active (the one the user last used), never
// taking the keyboard focus, so the window being typed in keeps it.
//
// Made after Qt has created the surface (once its window is shown) and before
// Qt first draws into it, which is in the event loop: the constructor waits
// for the compositor's first configure. Destroyed before the surface is.
class LayerSurface {
  public:
    enum class Placement {
        Corner, // the bottom-right corner, kept clear of panels and docks
        Cover,  // the whole output, docks included, under the corner surfaces,
                // letting the pointer through
    };

    // onResize hears the size the compositor gives, onClosed that the
    // compositor took the surface away (its output went, say).
    LayerSurface(const LayerShell& shell, wl_surface* surface, Placement placement, QSize size,
                 std::function<void(QSize)> onResize, std::function<void()> onClosed);
    ~LayerSurface();
    LayerSurface(const LayerSurface&) = delete;
    LayerSurface& operator=(const LayerSurface&) = delete;

    // For a corner surface; takes effect with Qt's next drawing.
    void setSize(QSize size);

  private:
    static void configure(void* data, zwlr_layer_surface_v1* layerSurface, uint32_t serial,
                          uint32_t width, uint32_t height);
    static void closed(void* data, zwlr_layer_surface_v1* layerSurface);

    const LayerShell& shell;
    const Placement placement;
    zwlr_layer_surface_v1* layerSurface = nullptr;
    std::function<void(QSize)> onResize;
    std::function<void()> onClosed;
};

} // namespace lumio
