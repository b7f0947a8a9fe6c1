#pragma once

#include "desktop/tray/DBusObject.h"
#include "desktop/tray/DBusTrayTypes.h"

#include <QDBusServiceWatcher>
#include <QIcon>
#include <QPoint>

#include <functional>
#include <optional>

namespace lumio {

// Lumio's item in a StatusNotifier tray (org.kde.StatusNotifierItem): its
// icon, tool tip and menu, and the clicks the host passes on.
class StatusNotifierItem final : public DBusObject {
  public:
    // `onClick` gets the host's bus name and the position it gave, in global
    // coordinates, or nullopt when it gave none.
    using OnClick = std::function<void(const QString& host, std::optional<QPoint> at)>;
    StatusNotifierItem(QString menuPath, OnClick clicked);

    // Puts the item on the session bus under a name of its own and registers
    // it with the tray's watcher, now and whenever the watcher starts again.
    // False, after a line on stderr, when the bus refuses.
    bool publish();
    void setIcon(const QIcon& icon);
    void setToolTip(const QString& text);

  protected:
    QVariantMap properties() const override;

  private:
    void registerWithWatcher() const;

    QString serviceName;
    QString menuPath;
    OnClick onClick;
    QList<DBusIconPixmap> pixmaps;
    QString toolTip;
    QDBusServiceWatcher watcherStarts;
};

} // namespace lumio
