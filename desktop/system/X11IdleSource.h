#pragma once

#include "desktop/system/IdleSource.h"

#include <memory>

namespace lumio {

// The X server's own idle counter (MIT-SCREEN-SAVER), asked and answered in
// each call: a round trip to a local server costs less than a stale answer.
// For X servers without the SYNC extension's idle counter, which tells
// crossings instead (X11SyncIdleSource). Offered on X11 sessions only.
class X11IdleSource final : public IdleSource {
  public:
    X11IdleSource();
    ~X11IdleSource() override;
    X11IdleSource(const X11IdleSource&) = delete;
    X11IdleSource& operator=(const X11IdleSource&) = delete;

    std::string name() const override { return "the X server (MIT-SCREEN-SAVER)"; }
    bool tellsEvents() const override { return false; }
    bool start(double threshold, std::function<void()> crossed) override;
    std::optional<double> idleSeconds() override;

  private:
    struct Connection;
    std::unique_ptr<Connection> connection;
};

} // namespace lumio
