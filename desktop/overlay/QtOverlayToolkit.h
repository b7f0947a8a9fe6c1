#pragma once

#include "desktop/overlay/QtScreens.h"
#include "ports/OverlayPorts.h"

#include <memory>

namespace lumio {

class PanelStack;
class TimingLog;

// Break panels and the break page on X11 (XWayland included), with Qt Widgets
// and Qt WebEngine. Needs a running QApplication.
class QtOverlayToolkit final : public OverlayToolkit {
  public:
    // timing, when given, hears when each break is sent to the page and painted.
    explicit QtOverlayToolkit(std::filesystem::path resourceDirectory, TimingLog* timing = nullptr);
    ~QtOverlayToolkit() override;
    QtOverlayToolkit(const QtOverlayToolkit&) = delete;
    QtOverlayToolkit& operator=(const QtOverlayToolkit&) = delete;

    // Whether Qt runs on an X display, the only place these panels work:
    // native Wayland has no way to keep a window above others or out of
    // focus, so the program must run through XWayland there.
    static bool available();

    std::unique_ptr<Panel> makePanel(const PanelStyle& style) override;
    // host must be a panel made by this toolkit.
    std::unique_ptr<WebView> makeWebView(Panel& host, double width, double height) override;
    const Screens& screens() const override { return qtScreens; }
    std::filesystem::path resourceDirectory() const override { return resources; }

  private:
    const std::filesystem::path resources;
    const std::shared_ptr<PanelStack> stack;
    TimingLog* const timing;
    QtScreens qtScreens;
};

} // namespace lumio
