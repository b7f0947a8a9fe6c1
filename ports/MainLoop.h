#pragma once
#include "ports/Time.h"
#include <functional>
#include <optional>

namespace lumio {

// The program's one event loop. Every call, and every piece of work it runs,
// is on the main thread.
class MainLoop {
  public:
    virtual ~MainLoop() = default;

    // Runs work once, delay seconds from now on a steady clock (a wall clock
    // set back does not postpone it). Never runs it before the call returns.
    // Work still pending when the loop ends never runs.
    virtual void after(Seconds delay, std::function<void()> work) = 0;

    // Runs work when it is due, until the loop ends; also while a menu or a
    // modal dialog is open. Whenever the loop is about to wait, and after
    // each run of work, it asks `nextDue` for the instant on the core's clock
    // (the Clock port's, which may run faster than the wall clock) at which
    // work must next run, nullopt for none, and sleeps until then at the
    // latest: an instant not after now runs work at once. Work may also run
    // early, when the wall clock was set or the machine resumed, so it must
    // find out itself what is due. Between those instants the loop does not
    // wake for it at all. Call once: a later call replaces the earlier one.
    virtual void runWhenDue(std::function<std::optional<Instant>()> nextDue,
                            std::function<void()> work) = 0;

    // Ends the loop once the current work returns, and with it the program
    // (status 0). Pending work never runs. Repeated calls are harmless.
    virtual void quit() = 0;
};

} // namespace lumio
