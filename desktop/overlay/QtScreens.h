#pragma once

#include "ports/Screens.h"

namespace lumio {

// The screens as Qt sees them, in logical pixels, less what the docks keep.
class QtScreens final : public Screens {
  public:
    std::vector<Screen> screens() const override;
    std::optional<Screen> primaryScreen() const override;
    Point pointerPosition() const override;
};

} // namespace lumio
