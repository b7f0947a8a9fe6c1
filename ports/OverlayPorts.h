#pragma once

#include "ports/Time.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumio {

// Logical pixels in the desktop's global coordinates: origin top-left, y down.
struct Point {
    double x = 0, y = 0;
};

struct Rect {
    double x = 0, y = 0, width = 0, height = 0;
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    // Half-open on both axes, so a point on the edge shared by two
    // adjacent rectangles lies in exactly one of them.
    bool contains(Point p) const { return p.x >= x && p.x < maxX() && p.y >= y && p.y < maxY(); }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Screen {
    Rect frame;        // the whole screen
    Rect visibleFrame; // the part panels and docks leave free
};

class Screens {
  public:
    virtual ~Screens() = default;
    virtual std::vector<Screen> screens() const = 0;
    virtual std::optional<Screen> mainScreen() const = 0;
    virtual Point pointer() const = 0;
};

struct PanelStyle {
    int level = 0;             // higher levels stack above lower ones
    bool clickThrough = false; // pointer events pass to what lies beneath
    double blackAlpha = 0;     // background: black at this opacity (0 = clear)
};

// A borderless, never-focused window on every workspace, above full-screen
// windows and out of window cycling.
class Panel {
  public:
    virtual ~Panel() = default;
    virtual void setFrame(Rect frame) = 0;
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
    virtual bool isVisible() const = 0;
    // Setting or animating the alpha stops a fade still running on this
    // panel; the stopped fade's completion never runs.
    virtual void setAlpha(double alpha) = 0;
    virtual void animateAlpha(double to, Seconds duration, std::function<void()> completion) = 0;
};

// A transparent web view filling its panel. A message body that is not a
// string reaches onMessage as nullopt.
//
// onFail runs at most once, on the main thread, possibly from within loadFile,
// when the page can no longer be shown (it failed to load, or whatever runs it
// ended or stopped answering). By then nothing of it or of the panels made
// with it is on screen, stderr has said why, and they stay inert; the core
// makes new ones for the next break.
class WebView {
  public:
    virtual ~WebView() = default;
    virtual void loadFile(const std::filesystem::path& file,
                          const std::filesystem::path& readAccessDir) = 0;
    virtual void evaluate(const std::string& script) = 0;
    virtual void setOnFinish(std::function<void()> onFinish) = 0;
    virtual void setOnMessage(std::function<void(const std::optional<std::string>&)> onMessage) = 0;
    virtual void setOnFail(std::function<void()> onFail) = 0;
};

// Panels and web views may be costly to keep (a web engine, possibly in a
// process of its own): the core makes them shortly before a break and drops
// them after it. Whatever backs them ends once the last one made is destroyed.
class OverlayToolkit {
  public:
    virtual ~OverlayToolkit() = default;
    // How long before a break its panels and page should be made for the page
    // to have loaded in time, on the core's clock; zero when making them is
    // instant.
    virtual Seconds preparationTime() const = 0;
    virtual std::unique_ptr<Panel> makePanel(const PanelStyle& style) = 0;
    virtual std::unique_ptr<WebView> makeWebView(Panel& host, double width, double height) = 0;
    virtual const Screens& screens() const = 0;
    virtual std::filesystem::path resourceDirectory() const = 0;
};

} // namespace lumio
