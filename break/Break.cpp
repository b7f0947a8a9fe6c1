#include "break/Break.h"

namespace lumio {

Break::Break(Overlay& overlay, const BreakPage& page, bool dim,
             std::function<void(Outcome)> answered)
    : overlay(overlay), answered(std::move(answered)), on(overlay.show(page, dim)) {}

void Break::pageSaid(PageEvent event) {
    if (!on) return;
    if (event == PageEvent::Closed) {
        on = false;
        overlay.hide();
        return;
    }
    // A flood of answers must neither inflate the tally nor keep the disk busy.
    if (answer) return;
    answer = event == PageEvent::Done      ? Outcome::Done
             : event == PageEvent::Skipped ? Outcome::Skipped
                                           : Outcome::Snoozed;
    answered(*answer);
}

void Break::failed() {
    on = false;
}

} // namespace lumio
