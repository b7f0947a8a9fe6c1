#pragma once

#include "desktop/system/IdleSource.h"

#include <memory>

namespace lumio {

// The X server's own idle counter (MIT-SCREEN-SAVER), asked and answered in
// each call: a round trip to a local server costs less than a stale answer.
// Offered on X11 sessions only: under Wayland the X server (Xwayland) sees
// just the input that goes to X windows, and would call a user typing in a
// native window away.
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
