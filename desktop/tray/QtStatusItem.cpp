#include "desktop/tray/QtStatusItem.h"

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

QKeySequence shortcut(const std::string& keyEquivalent) {
    return QKeySequence(QStringLiteral("Ctrl+") + QString::fromStdString(keyEquivalent).toUpper());
}

} // namespace

QtStatusItem::QtStatusItem(std::filesystem::path resources)
    : resources(std::move(resources)), contextMenu(std::make_unique<QMenu>()) {
    // The core sets image, menu and tool tip right after making the item; the
    // tray gets all of them at once.
    QTimer::singleShot(0, this, [this] {
        if (trayHostAvailable()) {
            showInTray();
            return;
        }
        std::cerr << "lumio: chưa thấy khay hệ thống; Lumio vẫn chạy và sẽ hiện biểu tượng khi có "
                     "khay\n";
        hostWatcher = std::make_unique<TrayHostWatcher>([this] {
            QTimer::singleShot(0, this, [this] {
                hostWatcher.reset();
                showInTray();
            });
        });
    });
}

QtStatusItem::~QtStatusItem() {
    // The tray refers to the menu; it goes first.
    tray.reset();
}

bool QtStatusItem::setImage(std::string_view name, int size) {
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

void QtStatusItem::setToolTip(std::string_view text) {
    toolTip = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (tray) tray->setToolTip(toolTip);
}

void QtStatusItem::setMenu(Menu& model, MenuDelegate& delegate) {
    if (tray) tray->setContextMenu(nullptr);
    contextMenu = std::make_unique<QMenu>();
    entries.clear();
    fill(*contextMenu, model, delegate);
    connect(contextMenu.get(), &QMenu::aboutToShow, this, [&delegate] { delegate.menuWillOpen(); });
    connect(contextMenu.get(), &QMenu::aboutToHide, this, [&delegate] { delegate.menuDidClose(); });
    if (tray) tray->setContextMenu(contextMenu.get());
}

void QtStatusItem::fill(QMenu& target, const Menu& model, MenuDelegate& delegate) {
    QActionGroup* choices = nullptr;
    for (const MenuItem* item : model.items) {
        if (item->separator) {
            target.addSeparator();
            continue;
        }
        QAction* action = nullptr;
        if (item->submenu) {
            auto* submenu = new QMenu(&target);
            fill(*submenu, *item->submenu, delegate);
            // Trays ask for a submenu (AboutToShow) only while their menu is open.
            connect(submenu, &QMenu::aboutToShow, this, [&delegate] { delegate.menuInUse(); });
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
        connect(action, &QAction::hovered, this, [&delegate] { delegate.menuInUse(); });
        if (!item->keyEquivalent.empty()) addShortcut(*action, shortcut(item->keyEquivalent));
        apply(*action, *item);
        entries.emplace_back(action, item);
    }
}

void QtStatusItem::addShortcut(QAction& action, const QKeySequence& keys) {
    action.setShortcut(keys);
    // Qt matches no shortcut of an action in a menu that belongs to no
    // window, so the chord shown would do nothing while Lumio's own menu is
    // open. This one works while that menu is on screen, from any submenu.
    auto* chord = new QShortcut(keys, contextMenu.get());
    chord->setContext(Qt::ApplicationShortcut);
    connect(chord, &QShortcut::activated, &action, &QAction::trigger);
}

bool QtStatusItem::menuOnScreen() const {
    return contextMenu && contextMenu->isVisible();
}

void QtStatusItem::menuChanged() {
    for (const auto& [action, item] : entries)
        apply(*action, *item);
}

void QtStatusItem::setAppearsDisabled(bool appearsDisabled) {
    disabled = appearsDisabled;
    updateIcon();
}

void QtStatusItem::updateIcon() {
    if (tray) tray->setIcon(disabled ? dimmed : icon);
}

void QtStatusItem::showInTray() {
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

std::unique_ptr<StatusItem> QtStatusBar::makeStatusItem() {
    auto item = std::make_unique<QtStatusItem>(resources);
    last = item.get();
    return item;
}

void QtStatusItem::popUpMenu() {
    if (contextMenu && !contextMenu->isVisible()) contextMenu->popup(QCursor::pos());
}

} // namespace lumio
