#pragma once

#include "ports/Time.h"

#include <functional>

namespace lumio {

// Work on the main thread: one-shot delayed work and one repeating ticker
// that keeps firing while menus and modal alerts are open.
class MainLoop {
  public:
    virtual ~MainLoop() = default;
    virtual void after(Seconds delay, std::function<void()> work) = 0;
    virtual void startTicker(Seconds interval, Seconds tolerance, std::function<void()> onTick) = 0;
};

} // namespace lumio
