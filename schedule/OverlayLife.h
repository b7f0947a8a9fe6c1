#pragma once

#include "ports/Time.h"

#include <optional>

namespace lumio {

// When the break's panels and page should exist: shortly before a break that
// can come, and for a short grace after a break was on screen or the menu open.
class OverlayLife {
  public:
    // Whether they should exist at now, given whether a break is on screen or
    // the menu open (inUse), the coming break, and how long before it they
    // must be made.
    bool wanted(Instant now, bool inUse, std::optional<Instant> coming, Seconds preparation);

  private:
    // When a break was last on screen or the menu last open.
    std::optional<Instant> usedAt;
};

} // namespace lumio
