#pragma once

#include "desktop/system/IdleSource.h"

#include <QDBusServiceWatcher>
#include <QObject>

namespace lumio {

// GNOME's idle monitor (org.gnome.Mutter.IdleMonitor), on Wayland and X11
// alike: an idle watch tells when the user has been idle for the threshold,
// then a one-shot user-active watch tells when they are back. It stops
// working when the shell leaves the bus, and its watches go with it.
class MutterIdleSource final : public QObject, public IdleSource {
    Q_OBJECT

  public:
    MutterIdleSource();

    std::string name() const override { return "org.gnome.Mutter.IdleMonitor"; }
    bool tellsEvents() const override { return true; }
    bool start(double threshold, std::function<void()> crossed) override;
    std::optional<double> idleSeconds() override;

  private slots:
    void fired(uint watch);

  private:
    bool connectSignal(bool on);
    void watchForReturn();

    QDBusServiceWatcher shellOnBus;
    double threshold = 0;
    bool running = false;
    uint idleWatch = 0, activeWatch = 0;
    IdleCrossings crossings;
};

} // namespace lumio
