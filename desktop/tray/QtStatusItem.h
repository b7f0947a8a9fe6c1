#pragma once

#include "desktop/tray/TrayHost.h"
#include "ports/StatusMenu.h"

#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

namespace lumio {

// The cat in the system tray and its menu, a QMenu mirroring the core's Menu.
// The core's model is the truth: every change is re-applied from it.
class QtStatusItem final : public QObject, public StatusItem {
  public:
    explicit QtStatusItem(std::filesystem::path resources);
    ~QtStatusItem() override;

    bool setImage(std::string_view name, int size) override;
    void setToolTip(std::string_view text) override;
    void setMenu(Menu& menu, MenuDelegate& delegate) override;
    void menuChanged() override;
    bool menuOnScreen() const override;
    void setAppearsDisabled(bool disabled) override;
    void popUpMenu() override;

    // The menu as built, for showing it without a tray.
    QMenu* menu() const { return contextMenu.get(); }

  private:
    void fill(QMenu& target, const Menu& model, MenuDelegate& delegate);
    void addShortcut(QAction& action, const QKeySequence& keys);
    void showInTray();
    void updateIcon();

    std::filesystem::path resources;
    std::unique_ptr<QMenu> contextMenu;
    std::vector<std::pair<QAction*, const MenuItem*>> entries;
    QIcon icon;
    QIcon dimmed;
    bool disabled = false;
    QString toolTip;
    std::unique_ptr<QSystemTrayIcon> tray;
    std::unique_ptr<TrayHostWatcher> hostWatcher;
};

class QtStatusBar final : public StatusBar {
  public:
    explicit QtStatusBar(std::filesystem::path resources) : resources(std::move(resources)) {}
    std::unique_ptr<StatusItem> makeStatusItem() override;

    // The last item made, for showing its menu without a tray.
    QtStatusItem* lastItem() const { return last; }

  private:
    std::filesystem::path resources;
    QtStatusItem* last = nullptr;
};

} // namespace lumio
