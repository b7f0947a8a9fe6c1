#pragma once

#include "ports/Screens.h"

#include <QPoint>
#include <QRect>
#include <optional>

namespace lumio {

// What the desktop tells of where the user is, in logical pixels.
struct UserWhereabouts {
    bool waylandSession = false;
    QPoint pointer;                      // as the X server last saw it
    std::optional<QRect> focusedXWindow; // the focused window, when it is an X11 one
    std::optional<QRect> primaryScreen;
};

// The point whose screen the break should go to: on X11, the pointer. XWayland
// knows the pointer only while it is over an X11 window and keeps its last
// place otherwise, with nothing telling the two apart, and GNOME tells no
// client where the pointer or a native Wayland window is; so on Wayland the
// focused window stands in when it is an X11 one, else the primary screen.
QPoint followedPoint(const UserWhereabouts& where);

// The screens as Qt sees them, in logical pixels, less what the docks keep.
class QtScreens final : public Screens {
  public:
    std::vector<Screen> screens() const override;
    std::optional<Screen> primaryScreen() const override;
    // Where followedPoint says.
    Point pointerPosition() const override;
};

} // namespace lumio
