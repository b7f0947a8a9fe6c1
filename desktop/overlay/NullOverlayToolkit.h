#pragma once

#include "ports/OverlayToolkit.h"

namespace lumio {

// The overlay for desktops we cannot draw on: nothing is ever shown and the
// page never loads, but each break is still announced on stderr so it is
// never silently lost.
class NullOverlayToolkit final : public OverlayToolkit {
  public:
    explicit NullOverlayToolkit(std::filesystem::path resources);

    Seconds preparationTime() const override { return Seconds{0}; }
    std::unique_ptr<Panel> makePanel(const PanelStyle& style) override;
    std::unique_ptr<WebView> makeWebView(Panel& host, double width, double height) override;
    const Screens& screens() const override;
    std::filesystem::path resourceDirectory() const override { return resources; }

  private:
    class NominalScreens final : public Screens {
      public:
        std::vector<Screen> screens() const override;
        std::optional<Screen> primaryScreen() const override;
        Point pointerPosition() const override { return {}; }
    };

    std::filesystem::path resources;
    NominalScreens nominal;
};

} // namespace lumio
