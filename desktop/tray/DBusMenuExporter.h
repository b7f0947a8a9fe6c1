#pragma once

#include "desktop/tray/DBusObject.h"
#include "desktop/tray/DBusTrayTypes.h"
#include "ports/TrayIcon.h"

#include <QHash>

#include <chrono>
#include <functional>
#include <vector>

namespace lumio {

// The core's Menu over com.canonical.dbusmenu, for tray hosts that draw the
// menu themselves. An item's id is its place in the menu, depth first (0 is
// the menu itself), which never changes: the menu keeps its shape for the
// whole run. Every change is read from the model; only what changed is sent.
class DBusMenuExporter final : public DBusObject {
  public:
    // `choose` runs an item the user picked.
    DBusMenuExporter(const Menu& menu, MenuListener& listener,
                     std::function<void(const MenuItem&)> choose);

    // Sends what the model's changes changed in the items' properties.
    void menuChanged();
    // True while the bus client `host` draws the menu itself: it asked to
    // show it a moment ago and has not reported it closed.
    bool drawnBy(const QString& host) const;

  protected:
    QVariantMap properties() const override;

  private:
    struct Entry {
        const MenuItem* item = nullptr; // null for the menu itself
        std::vector<int> children;
        QVariantMap sent;
    };

    // The answers to the interface's methods, one each.
    QDBusMessage answerGetLayout(const QDBusMessage& call) const;
    QDBusMessage answerGetGroupProperties(const QDBusMessage& call) const;
    QDBusMessage answerGetProperty(const QDBusMessage& call) const;
    QDBusMessage answerEvent(const QDBusMessage& call);
    QDBusMessage answerEventGroup(const QDBusMessage& call);
    QDBusMessage answerAboutToShow(const QDBusMessage& call);
    QDBusMessage answerAboutToShowGroup(const QDBusMessage& call);

    void add(const Menu& menu, int parent);
    bool known(int id) const;
    QVariantMap propertiesOf(int id) const;
    DBusMenuLayout layout(int id, int depth, const QStringList& names) const;
    void event(int id, const QString& name, const QString& sender);
    // A host is about to show the menu or a submenu.
    void opened(int id, const QString& sender);
    QDBusMessage unknownId(const QDBusMessage& call, int id) const;

    std::vector<Entry> entries;
    MenuListener& listener;
    std::function<void(const MenuItem&)> choose;
    // When each host last asked to show the menu, until it closed it.
    QHash<QString, std::chrono::steady_clock::time_point> shownBy;
};

} // namespace lumio
