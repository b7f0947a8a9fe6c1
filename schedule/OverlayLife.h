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
    // When wanted() must next be asked, given whether they exist now: at
    // once when they exist and are no longer wanted (the break they were
    // made for will not come), else the preparation ahead of the coming
    // break or the end of the grace. nullopt when nothing lies ahead.
    std::optional<Instant> nextChange(Instant now, std::optional<Instant> coming,
                                      Seconds preparation, bool prepared) const;

  private:
    bool wantedUnused(Instant now, std::optional<Instant> coming, Seconds preparation) const;
    // When the grace after the last use ends, while it runs.
    std::optional<Instant> graceEnd(Instant now) const;

    // When a break was last on screen or the menu last open.
    std::optional<Instant> usedAt;
};

} // namespace lumio
