#pragma once
#include "ports/Time.h"
#include <functional>

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

    // Runs work every interval, also while a menu or a modal dialog is open,
    // until the loop ends. Call once: a later call replaces the earlier one.
    virtual void every(Seconds interval, std::function<void()> work) = 0;

    // Ends the loop once the current work returns, and with it the program
    // (status 0). Pending work never runs. Repeated calls are harmless.
    virtual void quit() = 0;
};

} // namespace lumio
