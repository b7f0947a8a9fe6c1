#include "desktop/QtStatusItem.h"

#include "desktop/SvgImage.h"

#include <QCursor>
#include <QKeySequence>
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
    // Only a checked line shows a mark; an unchecked one looks like any other.
    action.setCheckable(item.checked);
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
    fill(*contextMenu, model);
    connect(contextMenu.get(), &QMenu::aboutToShow, this, [&delegate] { delegate.menuWillOpen(); });
    connect(contextMenu.get(), &QMenu::aboutToHide, this, [&delegate] { delegate.menuDidClose(); });
    if (tray) tray->setContextMenu(contextMenu.get());
}

void QtStatusItem::fill(QMenu& target, const Menu& model) {
    for (const MenuItem* item : model.items) {
        if (item->separator) {
            target.addSeparator();
            continue;
        }
        QAction* action = nullptr;
        if (item->submenu) {
            auto* submenu = new QMenu(&target);
            fill(*submenu, *item->submenu);
            action = target.addMenu(submenu);
        } else {
            action = target.addAction(QString());
            connect(action, &QAction::triggered, this, [this, item] {
                if (item->action) item->action();
                // Qt flips a checkable action by itself; put the model's state back.
                menuChanged();
            });
        }
        if (!item->keyEquivalent.empty()) action->setShortcut(shortcut(item->keyEquivalent));
        apply(*action, *item);
        entries.emplace_back(action, item);
    }
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
