#include "desktop/overlay/NullOverlayToolkit.h"

#include "files/Diagnostics.h"

namespace lumio {

namespace {

// A panel that is never seen. The one the user would answer in (the one not
// letting clicks through) tells of the break when it is brought forward.
class NullPanel final : public Panel {
  public:
    explicit NullPanel(bool announces) : announces(announces) {}
    void setGeometry(Rect) override {}
    void show() override {
        if (announces) diagnose("time for an eye break (this screen cannot show it)");
    }
    void hide() override {}
    bool isVisible() const override { return false; }
    void setOpacity(double) override {}
    // Nothing is on screen, so any fade is over at once.
    void fadeTo(double, Seconds, std::function<void()> completion) override {
        if (completion) completion();
    }

  private:
    bool announces;
};

class NullWebView final : public WebView {
  public:
    void loadFile(const std::filesystem::path&, const std::filesystem::path&) override {}
    void showBreak(const BreakPage&) override {}
    void setOnLoaded(std::function<void()>) override {}
    void setOnEvent(std::function<void(PageEvent)>) override {}
    void setOnFail(std::function<void(PageFailure)>) override {}
};

// Any screen will do: the core needs one to go through a break.
const Screen NOMINAL_SCREEN{{0, 0, 1280, 800}, {0, 0, 1280, 800}};

} // namespace

NullOverlayToolkit::NullOverlayToolkit(std::filesystem::path resources)
    : resources(std::move(resources)) {}

std::unique_ptr<Panel> NullOverlayToolkit::makePanel(const PanelStyle& style) {
    return std::make_unique<NullPanel>(!style.clickThrough);
}

std::unique_ptr<WebView> NullOverlayToolkit::makeWebView(Panel&, double, double) {
    return std::make_unique<NullWebView>();
}

const Screens& NullOverlayToolkit::screens() const {
    return nominal;
}

std::vector<Screen> NullOverlayToolkit::NominalScreens::screens() const {
    return {NOMINAL_SCREEN};
}

std::optional<Screen> NullOverlayToolkit::NominalScreens::primaryScreen() const {
    return NOMINAL_SCREEN;
}

} // namespace lumio
