#pragma once

#include <QDBusServiceWatcher>
#include <QObject>

#include <functional>
#include <memory>

namespace lumio {

// Whether the desktop has somewhere to show a status icon: a StatusNotifier
// host on the session bus, or an X11 system tray. Asked of the desktop itself
// rather than of Qt, which may remember an early answer for the whole run.
bool trayHostAvailable();

// Calls back once, as soon as a tray host turns up: when the StatusNotifier
// watcher registers, when it reports a host, or when an X11 tray manager
// announces itself on the root window. Between these it does nothing.
class TrayHostWatcher final : public QObject {
    Q_OBJECT
  public:
    explicit TrayHostWatcher(std::function<void()> onAvailable);
    ~TrayHostWatcher() override;
    TrayHostWatcher(const TrayHostWatcher&) = delete;
    TrayHostWatcher& operator=(const TrayHostWatcher&) = delete;

  private slots:
    void look();

  private:
    struct X11Announcements;

    std::function<void()> onAvailable;
    QDBusServiceWatcher serviceWatcher;
    std::unique_ptr<X11Announcements> x11;
    bool told = false;
};

} // namespace lumio
