#pragma once

#include "desktop/overlay/QtScreens.h"
#include "ports/OverlayToolkit.h"

#include <functional>
#include <memory>

namespace lumio {

class PanelStack;

// Break panels and the break page on X11 (XWayland included), with Qt Widgets
// and Qt WebEngine, in the process that uses them. Needs a running QApplication.
class QtOverlayToolkit final : public OverlayToolkit {
  public:
    // onPainted, when given, hears when each break a page shows is painted.
    explicit QtOverlayToolkit(std::filesystem::path resourceDirectory,
                              std::function<void()> onPainted = {});
    ~QtOverlayToolkit() override;
    QtOverlayToolkit(const QtOverlayToolkit&) = delete;
    QtOverlayToolkit& operator=(const QtOverlayToolkit&) = delete;

    // Whether Qt runs on an X display, the only place these panels work:
    // native Wayland has no way to keep a window above others or out of
    // focus, so the program must run through XWayland there.
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
    const std::shared_ptr<PanelStack> stack;
    const std::function<void()> onPainted;
    QtScreens qtScreens;
};

} // namespace lumio
