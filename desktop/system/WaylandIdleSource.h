#pragma once

#include "desktop/system/IdleSource.h"

#include <memory>

namespace lumio {

// The compositor's idle notifications, over a Wayland connection of our own
// (Qt here runs on Xwayland): ext_idle_notifier_v1 where offered (KWin, sway
// from 1.8, Hyprland, labwc), else KDE's org_kde_kwin_idle (KWin, sway 1.7).
// The connection's socket is read from the Qt event loop; it stops working
// when the compositor goes away.
class WaylandIdleSource final : public IdleSource {
  public:
    WaylandIdleSource();
    ~WaylandIdleSource() override;
    WaylandIdleSource(const WaylandIdleSource&) = delete;
    WaylandIdleSource& operator=(const WaylandIdleSource&) = delete;

    std::string name() const override;
    bool tellsEvents() const override { return true; }
    bool start(double threshold, std::function<void()> crossed) override;
    std::optional<double> idleSeconds() override;

  private:
    struct Connection;
    std::unique_ptr<Connection> connection;
    double threshold = 0;
};

} // namespace lumio
