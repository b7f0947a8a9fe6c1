#pragma once
#include <optional>
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
    Rect geometry;          // the whole monitor
    Rect availableGeometry; // the part panels and docks leave free
};

// The monitors as they are at the moment of each call. Main thread.
class Screens {
  public:
    virtual ~Screens() = default;

    // Every monitor; empty when none is known.
    virtual std::vector<Screen> screens() const = 0;
    // The monitor the desktop calls primary; nullopt when none is.
    virtual std::optional<Screen> primaryScreen() const = 0;
    // Where the pointer is; (0, 0) when that cannot be known.
    virtual Point pointerPosition() const = 0;
};

} // namespace lumio
