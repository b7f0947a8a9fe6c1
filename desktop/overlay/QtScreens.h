#pragma once

#include "ports/OverlayPorts.h"

namespace lumio {

// The screens as Qt sees them, in logical pixels, less what the docks keep.
class QtScreens final : public Screens {
  public:
    std::vector<Screen> screens() const override;
    std::optional<Screen> mainScreen() const override;
    Point pointer() const override;
};

} // namespace lumio
