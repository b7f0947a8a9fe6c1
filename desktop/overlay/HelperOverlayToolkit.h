#pragma once

#include "desktop/overlay/QtScreens.h"
#include "ports/OverlayToolkit.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace lumio {

class HelperRun;
class TimingLog;

// Break panels and the break page drawn by the helper program lumio-break, so
// that Lumio itself never loads the web engine. The first panel made starts a
// helper; each operation on a panel or the page is sent to it as one line,
// and what the page says comes back the same way. Once the last panel and
// page made are destroyed, the helper's channel closes and it ends.
//
// A helper that cannot start, ends or stops answering fails the page (one
// line on stderr): nothing of it stays on screen, and the next panels made
// start a new one; a helper installed by another version of Lumio fails it
// as outdated. What helpers write on stderr reaches ours, each distinct line
// once.
class HelperOverlayToolkit final : public OverlayToolkit {
  public:
    // A helper started with a break takes 0.6 to 1 s to paint it on a two-core
    // machine kept busy by other work; twice the worst of that is still only a
    // few seconds more of the helper per break.
    static constexpr double PREPARATION_SECS = 2.0;

    // notInherited names the variables Lumio set for its own Qt, which
    // helpers do not inherit: the helper chooses its own platform. timing,
    // when given, hears when each break is sent to the page and painted;
    // timeScale is how much faster than real time the core's clock runs.
    HelperOverlayToolkit(std::filesystem::path helper, std::filesystem::path resourceDirectory,
                         std::vector<std::string> notInherited, TimingLog* timing,
                         double timeScale);
    ~HelperOverlayToolkit() override;
    HelperOverlayToolkit(const HelperOverlayToolkit&) = delete;
    HelperOverlayToolkit& operator=(const HelperOverlayToolkit&) = delete;

    // Whether the helper's panels can work here: Qt runs on an X display.
    static bool available();

    Seconds preparationTime() const override { return Seconds{PREPARATION_SECS * timeScale}; }
    std::unique_ptr<Panel> makePanel(const PanelStyle& style) override;
    std::unique_ptr<WebView> makeWebView(Panel& host, double width, double height) override;
    const Screens& screens() const override { return qtScreens; }
    std::filesystem::path resourceDirectory() const override { return resources; }

  private:
    std::shared_ptr<HelperRun> helperRun();

    const std::filesystem::path helper;
    const std::filesystem::path resources;
    const std::vector<std::string> notInherited;
    TimingLog* const timing;
    const double timeScale;
    std::weak_ptr<HelperRun> current;
    QtScreens qtScreens;
};

} // namespace lumio
