#pragma once

#include "desktop/system/IdleSource.h"

#include <memory>

namespace lumio {

// The X server's IDLETIME counter (SYNC extension), on an X connection of
// our own read from the Qt event loop: one alarm, set in turn to fire when
// the counter reaches the threshold and when it falls back (the user's
// input resets it). Offered on X11 sessions only; it stops working when the
// X server goes away.
class X11SyncIdleSource final : public IdleSource {
  public:
    X11SyncIdleSource();
    ~X11SyncIdleSource() override;
    X11SyncIdleSource(const X11SyncIdleSource&) = delete;
    X11SyncIdleSource& operator=(const X11SyncIdleSource&) = delete;

    std::string name() const override { return "the X server (SYNC IDLETIME)"; }
    bool tellsEvents() const override { return true; }
    bool start(double threshold, std::function<void()> crossed) override;
    std::optional<double> idleSeconds() override;

  private:
    struct Connection;
    std::unique_ptr<Connection> connection;
};

} // namespace lumio
