#pragma once

#include "desktop/system/IdleSource.h"

#include <QString>

namespace lumio {

// The freedesktop screen saver's GetSessionIdleTime, at one object path
// (desktops differ). KWin answers NotSupported under Wayland.
class ScreenSaverIdleSource final : public IdleSource {
  public:
    explicit ScreenSaverIdleSource(QString path) : path(std::move(path)) {}

    std::string name() const override;
    bool tellsEvents() const override { return false; }
    bool start(double threshold, std::function<void()> crossed) override;
    std::optional<double> idleSeconds() override;

  private:
    QString path;
};

} // namespace lumio
