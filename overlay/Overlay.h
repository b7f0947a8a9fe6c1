#pragma once

#include "ports/OverlayToolkit.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumio {

// The break on screen: a small panel with the animal page in the corner of the
// screen under the pointer, optionally over a dimming panel, and the bridge
// to the page (one script call per break, string messages back).
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

    Overlay(OverlayToolkit& toolkit, std::function<void(const std::string&)> onMessage);

    void show(std::string_view animalId, std::int64_t breakSec, bool dim);
    void hide();

    // Makes the panels and loads the page unless they exist. After the page
    // failed it does nothing: the next show() or release() starts over.
    void prepare();
    // Drops the panels and the page, unless a break is on screen.
    void release();
    bool isPrepared() const { return web != nullptr; }
    // From show() until the page says "closed" or fails.
    bool isShowing() const { return showing; }

    // The page call for one break.
    static std::string script(std::string_view animalId, std::int64_t breakSec);

  private:
    // A break on its way to the screen: where its card and dimming go, and
    // the page call that shows its animal.
    struct Coming {
        Rect card;
        std::optional<Rect> dimming;
        std::string script;
    };

    void make();
    void reveal();
    void drop();
    void didLoad();
    void didReceive(const std::optional<std::string>& body);
    void didFail();

    OverlayToolkit& toolkit;
    std::unique_ptr<Panel> dimPanel;
    std::unique_ptr<Panel> panel;
    std::unique_ptr<WebView> web; // hosted by panel, so destroyed before it
    bool loaded = false;
    bool showing = false;
    bool failed = false;
    std::optional<Coming> coming; // shown once the page has loaded
    std::function<void(const std::string&)> onMessage;
};

// The screen the break appears on: the first screen holding the pointer,
// else the primary screen, else the first screen; nullopt with no screen at all.
std::optional<Screen> targetScreen(Point pointer, const std::vector<Screen>& screens,
                                   const std::optional<Screen>& primaryScreen);

// The panel flush with the bottom-right corner of the screen's free area,
// scaled down, if need be, to lie within it.
Rect panelGeometry(const Screen& screen);

} // namespace lumio
