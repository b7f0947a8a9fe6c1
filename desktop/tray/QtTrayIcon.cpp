#include "desktop/tray/QtTrayIcon.h"

#include "desktop/tray/SvgImage.h"
#include "files/Diagnostics.h"

#include <QActionGroup>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QKeySequence>
#include <QShortcut>
#include <QTimer>

#include <array>

namespace lumio {

namespace {

// Tray hosts ask for different sizes; these cover the usual panels. The build
// draws the tray's image at each, and at the size the menu asks for
// (desktop/CMakeLists.txt).
constexpr std::array<int, 5> TRAY_SIZES{16, 22, 24, 32, 48};

// Menu texts are shown as given: a lone "&" is not a keyboard mnemonic.
QString literal(const std::string& text) {
    return QString::fromStdString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

void apply(QAction& action, const MenuItem& item) {
    action.setText(literal(item.title));
    action.setEnabled(item.enabled);
    // Checkable in both states, so that screen readers show an off switch as
    // a switch that is off.
    action.setCheckable(item.toggle != Toggle::None);
    action.setChecked(item.checked);
}

bool statusNotifierWatcherRuns() {
    const auto* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

} // namespace

QtTrayIcon::QtTrayIcon(std::filesystem::path resources) : resources(std::move(resources)) {
    registerTrayDBusTypes();
}

QtTrayIcon::~QtTrayIcon() {
    // The tray refers to the menu; it goes first.
    xembedTray.reset();
    if (item) {
        auto bus = QDBusConnection::sessionBus();
        bus.unregisterObject(item->path());
        bus.unregisterObject(exporter->path());
    }
}

void QtTrayIcon::appearWhenTrayIs() {
    if (trayHostAvailable()) {
        showInTray();
        return;
    }
    diagnose("no system tray yet; the icon appears when one starts");
    hostWatcher = std::make_unique<TrayHostWatcher>([this] {
        QTimer::singleShot(0, this, [this] {
            hostWatcher.reset();
            showInTray();
        });
    });
}

bool QtTrayIcon::setIcon(std::string_view name, int size) {
    const auto file = resources / (std::string(name) + ".svg");
    auto loaded = svgIcon(file, TRAY_SIZES);
    if (loaded) {
        if (auto exact = prerenderedPixmap(file, size)) loaded->addPixmap(*exact);
    }
    icon = loaded.value_or(QIcon());
    dimmed = loaded ? dimmedIcon(icon) : QIcon();
    updateIcon();
    return loaded.has_value();
}

void QtTrayIcon::setToolTip(std::string_view text) {
    toolTip = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (item) item->setToolTip(toolTip);
    if (xembedTray) xembedTray->setToolTip(toolTip);
}

void QtTrayIcon::setMenu(Menu& model, MenuListener& listener) {
    menuModel = &model;
    menuListener = &listener;
    entries.clear();
    contextMenu.reset();
    if (xembedTray) xembedTray->setContextMenu(&ownMenu());
    exporter = std::make_unique<DBusMenuExporter>(
        model, listener, [this](const MenuItem& chosen) { choose(chosen); });
    // The core sets the icon and tool tip first, so the tray gets all at once.
    if (!hostWatcher) appearWhenTrayIs();
}

QMenu& QtTrayIcon::ownMenu() {
    if (contextMenu) return *contextMenu;
    contextMenu = std::make_unique<QMenu>();
    if (!menuModel) return *contextMenu;
    MenuListener& listener = *menuListener;
    fill(*contextMenu, *menuModel, listener);
    connect(contextMenu.get(), &QMenu::aboutToShow, this, [&listener] { listener.menuOpened(); });
    connect(contextMenu.get(), &QMenu::aboutToHide, this,
            [&listener] { listener.menuClosed(MenuDrawer::Desktop); });
    return *contextMenu;
}

void QtTrayIcon::fill(QMenu& target, const Menu& model, MenuListener& listener) {
    QActionGroup* choices = nullptr;
    for (const MenuItem* line : model.items) {
        if (line->separator) {
            target.addSeparator();
            continue;
        }
        QAction* action = nullptr;
        if (line->submenu) {
            auto* submenu = new QMenu(&target);
            fill(*submenu, *line->submenu, listener);
            connect(submenu, &QMenu::aboutToShow, this, [&listener] { listener.menuInUse(); });
            action = target.addMenu(submenu);
        } else {
            action = target.addAction(QString());
            connect(action, &QAction::triggered, this, [this, line] { choose(*line); });
        }
        if (line->toggle == Toggle::Radio) {
            if (!choices) choices = new QActionGroup(&target);
            action->setActionGroup(choices);
        }
        connect(action, &QAction::hovered, this, [&listener] { listener.menuInUse(); });
        if (!line->shortcut.empty())
            addShortcut(*action, QKeySequence(QString::fromStdString(line->shortcut)));
        action->setObjectName(QString::fromStdString(line->id));
        apply(*action, *line);
        entries.emplace_back(action, line);
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

void QtTrayIcon::choose(const MenuItem& chosen) {
    // Qt flips a checkable action by itself; the model's state goes back at
    // once, as the action may wait on a dialog.
    menuChanged();
    if (chosen.action) chosen.action();
    menuChanged();
}

bool QtTrayIcon::menuOnScreen() const {
    return contextMenu && contextMenu->isVisible();
}

void QtTrayIcon::menuChanged() {
    for (const auto& [action, line] : entries)
        apply(*action, *line);
    if (exporter) exporter->menuChanged();
}

void QtTrayIcon::setPaused(bool isPaused) {
    paused = isPaused;
    updateIcon();
}

void QtTrayIcon::updateIcon() {
    const QIcon& shown = paused ? dimmed : icon;
    if (item) item->setIcon(shown);
    if (xembedTray) xembedTray->setIcon(shown);
}

void QtTrayIcon::showInTray() {
    if (item || xembedTray) return;
    if (!statusNotifierWatcherRuns()) {
        showInXEmbedTray();
        return;
    }
    item = std::make_unique<StatusNotifierItem>(
        exporter->path(), [this](const QString& host, std::optional<QPoint> at) {
            // A host that draws the menu may pass the click on as well.
            if (exporter->drawnBy(host)) return;
            // Under XWayland a click outside X windows never reaches the open
            // menu; a second click on the icon closes it.
            if (menuOnScreen()) {
                contextMenu->hide();
            } else {
                popUpAt(at.value_or(QCursor::pos()));
            }
        });
    updateIcon();
    item->setToolTip(toolTip);
    if (!QDBusConnection::sessionBus().registerVirtualObject(exporter->path(), exporter.get()))
        diagnose("cannot put the tray menu on the session bus");
    item->publish();
}

void QtTrayIcon::showInXEmbedTray() {
    xembedTray = std::make_unique<QSystemTrayIcon>();
    updateIcon();
    xembedTray->setToolTip(toolTip);
    xembedTray->setContextMenu(&ownMenu());
    // A plain click opens the menu too, where the tray does not do so itself.
    connect(xembedTray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::Trigger) popUpAt(QCursor::pos());
            });
    xembedTray->show();
}

void QtTrayIcon::popUpAt(const QPoint& at) {
    QMenu& shown = ownMenu();
    if (!shown.isVisible()) shown.popup(at);
}

void QtTrayIcon::popUpMenu() {
    popUpAt(QCursor::pos());
}

} // namespace lumio
