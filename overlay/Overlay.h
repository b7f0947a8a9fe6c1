#pragma once

#include "ports/OverlayToolkit.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lumio {

// The break's panels and page: a small panel with the animal page in the
// corner of the screen under the pointer, optionally over a dimming panel.
// What the page says, and its failure, go to the listeners given; what they
// mean for the break is not the overlay's business.
//
// The panels and the page exist only around breaks: prepare() makes them and
// starts loading the page ahead of one, release() drops them after it, and
// show() makes them itself when nothing was prepared.
class Overlay {
  public:
    static constexpr double WIDTH = 340;
    static constexpr double HEIGHT = 430;
    static constexpr int DIM_LEVEL = 1000;
    static constexpr int PANEL_LEVEL = DIM_LEVEL + 1;
    static constexpr double DIM_ALPHA = 0.3;
    static constexpr double FADE_IN_SECS = 0.35;
    static constexpr double FADE_OUT_SECS = 0.3;

    Overlay(OverlayToolkit& toolkit, std::function<void(PageEvent)> onEvent,
            std::function<void(PageFailure)> onFail);

    // Puts the break on the screen under the pointer once the page can draw
    // it; false when there is no screen to show it on.
    bool show(const BreakPage& page, bool dim);
    // Takes the card off screen at once and fades the dimming out.
    void hide();

    // Makes the panels and loads the page unless they exist. After the page
    // failed it does nothing: the next show() or release() starts over.
    void prepare();
    // Drops the panels and the page.
    void release();
    bool isPrepared() const { return web != nullptr; }

  private:
    // A break on its way to the screen: where its card and dimming go, and
    // what the page shows.
    struct Coming {
        Rect card;
        std::optional<Rect> dimming;
        BreakPage page;
    };

    void make();
    void reveal();
    void drop();
    void didLoad();
    void didFail(PageFailure why);

    OverlayToolkit& toolkit;
    std::unique_ptr<Panel> dimPanel;
    std::unique_ptr<Panel> panel;
    std::unique_ptr<WebView> web; // hosted by panel, so destroyed before it
    bool loaded = false;
    bool failed = false;
    std::optional<Coming> coming; // shown once the page has loaded
    std::function<void(PageEvent)> onEvent;
    std::function<void(PageFailure)> onFail;
};

// The screen the break appears on: the first screen holding the pointer,
// else the primary screen, else the first screen; nullopt with no screen at all.
std::optional<Screen> targetScreen(Point pointer, const std::vector<Screen>& screens,
                                   const std::optional<Screen>& primaryScreen);

// The panel flush with the bottom-right corner of the screen's free area,
// scaled down, if need be, to lie within it.
Rect panelGeometry(const Screen& screen);

} // namespace lumio
