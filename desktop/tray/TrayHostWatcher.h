#pragma once

#include <QTimer>

#include <QDBusServiceWatcher>

#include <functional>

namespace lumio {

// Whether the desktop has somewhere to show a status icon: a StatusNotifier
// host on the session bus, or an X11 system tray. Asked of the desktop itself
// rather than of Qt, which may remember an early answer for the whole run.
bool trayHostAvailable();

// Calls back once, as soon as a tray host turns up: when the StatusNotifier
// watcher registers, when it reports a host, or at the latest at the next
// periodic look (which also catches X11 trays).
class TrayHostWatcher final : public QObject {
    Q_OBJECT
  public:
    explicit TrayHostWatcher(std::function<void()> onAvailable);

  private slots:
    void look();

  private:
    std::function<void()> onAvailable;
    QDBusServiceWatcher serviceWatcher;
    QTimer poll;
};

} // namespace lumio
