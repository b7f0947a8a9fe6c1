#pragma once
#include "ports/Screens.h"
#include "ports/Time.h"
#include <functional>

namespace lumio {

struct PanelStyle {
    int level = 0;             // higher levels stack above lower ones
    bool clickThrough = false; // pointer events pass to what lies beneath
    double blackAlpha = 0;     // background: black at this opacity (0 = clear)
    friend bool operator==(const PanelStyle&, const PanelStyle&) = default;
};

// A borderless window that never takes the focus, on every workspace, above
// full-screen windows and out of the window list and Alt+Tab. Main thread.
// Every call is harmless on a panel whose page failed (see WebView): it then
// stays off screen.
class Panel {
  public:
    virtual ~Panel() = default;

    virtual void setGeometry(Rect geometry) = 0;
    // Puts the panel on screen above the panels of lower levels, without
    // taking the focus; harmless while shown.
    virtual void show() = 0;
    // Takes it off screen; harmless while hidden.
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;
    // Setting or fading the opacity stops a fade still running on this
    // panel; the stopped fade's completion never runs.
    virtual void setOpacity(double opacity) = 0;
    // Fades to opacity over duration, then runs completion on the main
    // thread; a fade stopped or a panel destroyed first never runs it.
    virtual void fadeTo(double opacity, Seconds duration, std::function<void()> completion) = 0;
};

} // namespace lumio
