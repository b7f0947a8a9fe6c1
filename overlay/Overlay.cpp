#include "overlay/Overlay.h"

#include "app/Constants.h"

namespace lumio {

std::optional<Screen> targetScreen(Point pointer, const std::vector<Screen>& screens,
                                   const std::optional<Screen>& primaryScreen) {
    for (const auto& screen : screens) {
        if (screen.geometry.contains(pointer)) return screen;
    }
    if (primaryScreen) return primaryScreen;
    if (!screens.empty()) return screens.front();
    return std::nullopt;
}

Rect panelGeometry(const Screen& screen) {
    const Rect& v = screen.availableGeometry;
    return {v.maxX() - Overlay::WIDTH, v.maxY() - Overlay::HEIGHT, Overlay::WIDTH, Overlay::HEIGHT};
}

Overlay::Overlay(OverlayToolkit& toolkit, std::function<void(const std::string&)> onMessage)
    : toolkit(toolkit), onMessage(std::move(onMessage)) {}

void Overlay::make() {
    dimPanel =
        toolkit.makePanel({.level = DIM_LEVEL, .clickThrough = true, .blackAlpha = DIM_ALPHA});
    panel = toolkit.makePanel({.level = PANEL_LEVEL, .clickThrough = false, .blackAlpha = 0});
    web = toolkit.makeWebView(*panel, WIDTH, HEIGHT);
    web->setOnMessage([this](const std::optional<std::string>& body) { didReceive(body); });
    web->setOnLoaded([this] { didLoad(); });
    web->setOnFail([this] { didFail(); });
    const auto resources = toolkit.resourceDirectory();
    web->loadFile(resources / "overlay.html", resources);
}

std::string Overlay::script(std::string_view animalId, std::int64_t breakSec) {
    return "__lumioShow({animalId:'" + std::string(animalId) +
           "',breakSec:" + std::to_string(breakSec) +
           ",dim:false,snoozeMin:" + std::to_string(static_cast<std::int64_t>(SNOOZE_MIN)) + "})";
}

void Overlay::drop() {
    web.reset();
    panel.reset();
    dimPanel.reset();
    loaded = false;
    pendingJS.reset();
}

void Overlay::prepare() {
    if (!web && !failed) make();
}

void Overlay::release() {
    if (showing) return;
    drop();
    failed = false;
}

void Overlay::show(std::string_view animalId, std::int64_t breakSec, bool dim) {
    const auto& screens = toolkit.screens();
    const auto target =
        targetScreen(screens.pointerPosition(), screens.screens(), screens.primaryScreen());
    if (!target) return; // nothing to show a break on
    if (failed) drop();  // each break tries a new page
    failed = false;
    if (!web) make();
    showing = true;
    panel->setGeometry(panelGeometry(*target));
    if (dim) {
        dimPanel->setGeometry(target->geometry);
        dimPanel->setOpacity(0);
        dimPanel->show();
        dimPanel->fadeTo(1.0, Seconds{FADE_IN_SECS}, {});
    } else {
        dimPanel->hide();
    }
    panel->show();

    auto js = script(animalId, breakSec);
    if (loaded) {
        web->runJavaScript(js);
    } else {
        pendingJS = std::move(js);
    }
}

void Overlay::hide() {
    showing = false;
    if (!panel) return;
    panel->hide();
    if (!dimPanel->isVisible()) return;
    dimPanel->fadeTo(0.0, Seconds{FADE_OUT_SECS}, [this] { dimPanel->hide(); });
}

void Overlay::didLoad() {
    loaded = true;
    if (pendingJS) {
        const auto js = std::move(*pendingJS);
        pendingJS.reset();
        web->runJavaScript(js);
    }
}

void Overlay::didFail() {
    failed = true;
    showing = false;
}

void Overlay::didReceive(const std::optional<std::string>& body) {
    if (!body) return;
    if (*body == "closed") hide();
    onMessage(*body);
}

} // namespace lumio
