#include "overlay/Overlay.h"

#include <algorithm>

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
    // A free area smaller than the card (a small monitor, a desktop scaled
    // up) gets the card scaled down to fit, its page zoomed out with it.
    const double scale = std::min({1.0, v.width / Overlay::WIDTH, v.height / Overlay::HEIGHT});
    const double width = Overlay::WIDTH * (scale > 0 ? scale : 1);
    const double height = Overlay::HEIGHT * (scale > 0 ? scale : 1);
    return {v.maxX() - width, v.maxY() - height, width, height};
}

Overlay::Overlay(OverlayToolkit& toolkit, std::function<void(PageEvent)> onEvent,
                 std::function<void(PageFailure)> onFail)
    : toolkit(toolkit), onEvent(std::move(onEvent)), onFail(std::move(onFail)) {}

void Overlay::make() {
    dimPanel =
        toolkit.makePanel({.level = DIM_LEVEL, .clickThrough = true, .blackAlpha = DIM_ALPHA});
    panel = toolkit.makePanel({.level = PANEL_LEVEL, .clickThrough = false, .blackAlpha = 0});
    web = toolkit.makeWebView(*panel, WIDTH, HEIGHT);
    web->setOnEvent([this](PageEvent event) { onEvent(event); });
    web->setOnLoaded([this] { didLoad(); });
    web->setOnFail([this](PageFailure why) { didFail(why); });
    const auto resources = toolkit.resourceDirectory();
    web->loadFile(resources / "overlay.html", resources);
}

void Overlay::drop() {
    web.reset();
    panel.reset();
    dimPanel.reset();
    loaded = false;
    coming.reset();
}

void Overlay::prepare() {
    if (!web && !failed) make();
}

void Overlay::release() {
    drop();
    failed = false;
}

bool Overlay::show(const BreakPage& page, bool dim) {
    const auto& screens = toolkit.screens();
    const auto target =
        targetScreen(screens.pointerPosition(), screens.screens(), screens.primaryScreen());
    if (!target) return false; // nothing to show a break on
    if (failed) drop();        // each break tries a new page
    failed = false;
    if (!web) make();
    coming =
        Coming{panelGeometry(*target), dim ? std::optional(target->geometry) : std::nullopt, page};
    // A page still loading would show as an empty card over a dimmed screen:
    // the break comes on screen once it can draw.
    if (loaded) reveal();
    return true;
}

void Overlay::reveal() {
    const auto next = std::move(*coming);
    coming.reset();
    panel->setGeometry(next.card);
    if (next.dimming) {
        dimPanel->setGeometry(*next.dimming);
        dimPanel->setOpacity(0);
        dimPanel->show();
        dimPanel->fadeTo(1.0, Seconds{FADE_IN_SECS}, {});
    } else {
        dimPanel->hide();
    }
    panel->show();
    web->showBreak(next.page);
}

void Overlay::hide() {
    coming.reset();
    if (!panel) return;
    panel->hide();
    if (!dimPanel->isVisible()) return;
    dimPanel->fadeTo(0.0, Seconds{FADE_OUT_SECS}, [this] { dimPanel->hide(); });
}

void Overlay::didLoad() {
    loaded = true;
    if (coming) reveal();
}

void Overlay::didFail(PageFailure why) {
    failed = true;
    coming.reset();
    onFail(why);
}

} // namespace lumio
