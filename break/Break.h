#pragma once

#include "overlay/Overlay.h"

#include <functional>
#include <optional>

namespace lumio {

// One break, from the moment it is shown until its card has left the screen:
// the user's answer, counted once, and its end, whichever way it comes.
class Break {
  public:
    enum class Outcome { Done, Skipped, Snoozed };

    // Shows the break on overlay, which must outlive it; answered hears the
    // user's answer, once. With no screen to show it on, it is over at once.
    Break(Overlay& overlay, const BreakPage& page, bool dim, std::function<void(Outcome)> answered);

    // What the page says of the break it shows. The first answer counts and
    // later ones are the page's own business; Closed takes the break off screen.
    // Nothing counts once the break is over.
    void pageSaid(PageEvent event);
    // The page can no longer be shown (it failed, or whatever ran it died):
    // the break is over without an answer.
    void failed();

    // Until the page closed it or failed.
    bool isOn() const { return on; }
    // The user's answer, once given.
    std::optional<Outcome> outcome() const { return answer; }

  private:
    Overlay& overlay;
    std::function<void(Outcome)> answered;
    bool on;
    std::optional<Outcome> answer;
};

} // namespace lumio
