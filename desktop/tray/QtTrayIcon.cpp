#include "desktop/tray/QtTrayIcon.h"

#include "desktop/tray/SvgImage.h"

#include <QActionGroup>
#include <QCursor>
#include <QKeySequence>
#include <QShortcut>
#include <QTimer>

#include <array>
#include <iostream>

namespace lumio {

namespace {

// Tray hosts ask for different sizes; these cover the usual panels.
constexpr std::array<int, 5> TRAY_SIZES{16, 22, 24, 32, 48};

// Menu texts are shown as given: a lone "&" is not a keyboard mnemonic.
QString literal(const std::string& text) {
    return QString::fromStdString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

void apply(QAction& action, const MenuItem& item) {
    action.setText(literal(item.title));
    action.setEnabled(item.enabled);
    // Checkable in both states, so that trays and screen readers show an off
    // switch as a switch that is off.
    action.setCheckable(item.toggle != Toggle::None);
    action.setChecked(item.checked);
}

} // namespace

QtTrayIcon::QtTrayIcon(std::filesystem::path resources)
    : resources(std::move(resources)), contextMenu(std::make_unique<QMenu>()) {}

void QtTrayIcon::appearWhenTrayIs() {
    if (trayHostAvailable()) {
        showInTray();
        return;
    }
    std::cerr << "lumio: no system tray yet; the icon appears when one starts\n";
    hostWatcher = std::make_unique<TrayHostWatcher>([this] {
        QTimer::singleShot(0, this, [this] {
            hostWatcher.reset();
            showInTray();
        });
    });
}

QtTrayIcon::~QtTrayIcon() {
    // The tray refers to the menu; it goes first.
    tray.reset();
}

bool QtTrayIcon::setIcon(std::string_view name, int size) {
    const auto file = resources / (std::string(name) + ".svg");
    auto loaded = svgIcon(file, TRAY_SIZES);
    if (loaded) {
        if (auto exact = svgPixmap(file, size)) loaded->addPixmap(*exact);
    }
    icon = loaded.value_or(QIcon());
    dimmed = loaded ? dimmedIcon(icon) : QIcon();
    updateIcon();
    return loaded.has_value();
}

void QtTrayIcon::setToolTip(std::string_view text) {
    toolTip = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (tray) tray->setToolTip(toolTip);
}

void QtTrayIcon::setMenu(Menu& model, MenuListener& listener) {
    if (tray) tray->setContextMenu(nullptr);
    contextMenu = std::make_unique<QMenu>();
    entries.clear();
    fill(*contextMenu, model, listener);
    connect(contextMenu.get(), &QMenu::aboutToShow, this, [&listener] { listener.menuOpened(); });
    connect(contextMenu.get(), &QMenu::aboutToHide, this, [&listener] { listener.menuClosed(); });
    if (tray) tray->setContextMenu(contextMenu.get());
    // The core sets the icon and tool tip first, so the tray gets all at once.
    if (!tray && !hostWatcher) appearWhenTrayIs();
}

void QtTrayIcon::fill(QMenu& target, const Menu& model, MenuListener& listener) {
    QActionGroup* choices = nullptr;
    for (const MenuItem* item : model.items) {
        if (item->separator) {
            target.addSeparator();
            continue;
        }
        QAction* action = nullptr;
        if (item->submenu) {
            auto* submenu = new QMenu(&target);
            fill(*submenu, *item->submenu, listener);
            // Trays ask for a submenu (AboutToShow) only while their menu is open.
            connect(submenu, &QMenu::aboutToShow, this, [&listener] { listener.menuInUse(); });
            action = target.addMenu(submenu);
        } else {
            action = target.addAction(QString());
            connect(action, &QAction::triggered, this, [this, item] {
                // Qt flips a checkable action by itself; the model's state goes
                // back at once, as the action may wait on a dialog.
                menuChanged();
                if (item->action) item->action();
                menuChanged();
            });
        }
        if (item->toggle == Toggle::Radio) {
            if (!choices) choices = new QActionGroup(&target);
            action->setActionGroup(choices);
        }
        connect(action, &QAction::hovered, this, [&listener] { listener.menuInUse(); });
        if (!item->shortcut.empty())
            addShortcut(*action, QKeySequence(QString::fromStdString(item->shortcut)));
        action->setObjectName(QString::fromStdString(item->id));
        apply(*action, *item);
        entries.emplace_back(action, item);
    }
}

void QtTrayIcon::addShortcut(QAction& action, const QKeySequence& keys) {
    action.setShortcut(keys);
    // Qt matches no shortcut of an action in a menu that belongs to no
    // window, so the chord shown would do nothing while Lumio's own menu is
    // open. This one works while that menu is on screen, from any submenu.
    auto* chord = new QShortcut(keys, contextMenu.get());
    chord->setContext(Qt::ApplicationShortcut);
    connect(chord, &QShortcut::activated, &action, &QAction::trigger);
}

bool QtTrayIcon::menuOnScreen() const {
    return contextMenu && contextMenu->isVisible();
}

void QtTrayIcon::menuChanged() {
    for (const auto& [action, item] : entries)
        apply(*action, *item);
}

void QtTrayIcon::setPaused(bool isPaused) {
    paused = isPaused;
    updateIcon();
}

void QtTrayIcon::updateIcon() {
    if (tray) tray->setIcon(paused ? dimmed : icon);
}

void QtTrayIcon::showInTray() {
    if (tray) return;
    tray = std::make_unique<QSystemTrayIcon>();
    updateIcon();
    tray->setToolTip(toolTip);
    tray->setContextMenu(contextMenu.get());
    // A plain click opens the menu too, where the tray does not do so itself.
    connect(tray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::Trigger) contextMenu->popup(QCursor::pos());
            });
    tray->show();
}

void QtTrayIcon::popUpMenu() {
    if (contextMenu && !contextMenu->isVisible()) contextMenu->popup(QCursor::pos());
}

} // namespace lumio
