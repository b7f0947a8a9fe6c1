#pragma once

#include "desktop/overlay/QtScreens.h"
#include "ports/OverlayToolkit.h"

#include <functional>
#include <memory>

namespace lumio {

class LayerShell;
class PanelStack;

// Break panels and the break page with Qt Widgets and Qt WebEngine, in the
// process that uses them: layer surfaces when Qt runs on a Wayland compositor
// with a layer shell, X11 windows otherwise (XWayland included). Needs a
// running QApplication.
class QtOverlayToolkit final : public OverlayToolkit {
  public:
    // onPainted, when given, hears when each break a page shows is painted.
    explicit QtOverlayToolkit(std::filesystem::path resourceDirectory,
                              std::function<void()> onPainted = {});
    ~QtOverlayToolkit() override;
    QtOverlayToolkit(const QtOverlayToolkit&) = delete;
    QtOverlayToolkit& operator=(const QtOverlayToolkit&) = delete;

    // Whether the panels can work here: Qt runs on an X display, or on a
    // Wayland compositor with a layer shell. Plain Wayland has no way to keep
    // a window above others or out of focus.
    static bool available();

    // Pages load here, from the first make on.
    Seconds preparationTime() const override { return Seconds{0}; }
    std::unique_ptr<Panel> makePanel(const PanelStyle& style) override;
    // host must be a panel made by this toolkit.
    std::unique_ptr<WebView> makeWebView(Panel& host, double width, double height) override;
    const Screens& screens() const override { return qtScreens; }
    std::filesystem::path resourceDirectory() const override { return resources; }

  private:
    const std::filesystem::path resources;
    const std::unique_ptr<LayerShell> layers;
    const std::shared_ptr<PanelStack> stack;
    const std::function<void()> onPainted;
    QtScreens qtScreens;
};

} // namespace lumio
