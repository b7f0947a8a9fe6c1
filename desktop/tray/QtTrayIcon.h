#pragma once

#include "desktop/tray/DBusMenuExporter.h"
#include "desktop/tray/StatusNotifierItem.h"
#include "desktop/tray/TrayHostWatcher.h"
#include "ports/TrayIcon.h"

#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QSystemTrayIcon>

#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

namespace lumio {

// The cat in the system tray and its menu. The icon is Lumio's own
// StatusNotifierItem, whose menu a host draws from the dbusmenu export or
// asks Lumio to pop up where it was clicked; on panels with only an XEmbed
// tray it is Qt's QSystemTrayIcon. Lumio's own menu is a QMenu mirroring the
// core's Menu. The core's model is the truth: every change is re-applied
// from it.
class QtTrayIcon final : public QObject, public TrayIcon {
  public:
    explicit QtTrayIcon(std::filesystem::path resources);
    ~QtTrayIcon() override;

    bool setIcon(std::string_view name, int size) override;
    void setToolTip(std::string_view text) override;
    void setMenu(Menu& menu, MenuListener& listener) override;
    void menuChanged() override;
    bool menuOnScreen() const override;
    void setPaused(bool paused) override;
    void popUpMenu() override;

    // Lumio's own menu, for pictures of it.
    QMenu* menu() { return &ownMenu(); }

  private:
    QMenu& ownMenu();
    void fill(QMenu& target, const Menu& model, MenuListener& listener);
    void addShortcut(QAction& action, const QKeySequence& keys);
    void choose(const MenuItem& item);
    void popUpAt(const QPoint& at);
    void appearWhenTrayIs();
    void showInTray();
    void showInXEmbedTray();
    void updateIcon();

    std::filesystem::path resources;
    Menu* menuModel = nullptr;
    MenuListener* menuListener = nullptr;
    // Lumio's own menu, built when first drawn: a tray host that draws the
    // menu from the export never needs it, and its widgets cost half a MiB.
    std::unique_ptr<QMenu> contextMenu;
    std::vector<std::pair<QAction*, const MenuItem*>> entries;
    QIcon icon;
    QIcon dimmed;
    bool paused = false;
    QString toolTip;
    std::unique_ptr<DBusMenuExporter> exporter;
    std::unique_ptr<StatusNotifierItem> item;
    std::unique_ptr<QSystemTrayIcon> xembedTray;
    std::unique_ptr<TrayHostWatcher> hostWatcher;
};

} // namespace lumio
