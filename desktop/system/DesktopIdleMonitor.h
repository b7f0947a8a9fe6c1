#pragma once

#include "desktop/system/IdleSourceChooser.h"
#include "ports/IdleMonitor.h"

#include <QObject>

namespace lumio {

// The user's idle time from the desktop's own mechanism, the first that
// works of: the compositor's Wayland idle notifications, GNOME's idle
// monitor, the X server's idle counter (X11 sessions only), the freedesktop
// screen saver. Under LUMIO_TIME_SCALE the desktop is asked for a threshold
// that many times shorter, and its answers are scaled up to match the
// core's clock.
class DesktopIdleMonitor final : public IdleMonitor {
  public:
    explicit DesktopIdleMonitor(double timeScale = 1.0);

    void watch(Seconds threshold, std::function<void()> crossed) override;
    bool tellsCrossings() const override { return sources.answersTellCrossings(); }
    double secondsSinceLastInput() override;

  private:
    const double timeScale;
    IdleSourceChooser sources;
    // Crossings reach the core from the event loop, never from within a call.
    QObject context;
};

} // namespace lumio
