// Draws the tray menu as the program builds it, with the animals submenu
// open, and saves a picture of it: menu_screenshot <out.png>. Runs on a fresh
// settings file in a temporary folder, so it shows the defaults.
#include "app/App.h"
#include "desktop/overlay/NullOverlay.h"
#include "desktop/tray/QtAlerts.h"
#include "desktop/launch/QtApplication.h"
#include "desktop/system/QtAudio.h"
#include "desktop/system/QtLocaleFormat.h"
#include "desktop/launch/QtMainLoop.h"
#include "desktop/tray/QtStatusItem.h"
#include "desktop/system/StdRandom.h"
#include "desktop/system/SystemClock.h"
#include "desktop/system/XdgAutostart.h"
#include "prefs/JsonSettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <iostream>

using namespace lumio;

namespace {

class NoIdle final : public IdleSource {
  public:
    double secondsSinceLastInput() override { return 0; }
};

class NoSystemEvents final : public SystemEvents {
  public:
    void observe(SystemEventHandlers) override {}
};

constexpr int SETTLE_MS = 500;
constexpr int MARGIN = 16;

QAction* actionTitled(const QMenu& menu, const QString& title) {
    for (auto* action : menu.actions()) {
        if (action->text() == title) return action;
    }
    return nullptr;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: menu_screenshot <out.png>\n";
        return 2;
    }
    QApplication application(argc, argv);
    const QTemporaryDir home;
    const std::filesystem::path folder = home.path().toStdString();
    const std::filesystem::path resources = LUMIO_RESOURCES_DIR;

    SystemClock clock;
    QtMainLoop loop;
    JsonSettingsStore settings(folder / "settings.json");
    settings.setValue("welcomed", true);
    NoIdle idle;
    NoSystemEvents systemEvents;
    QtStatusBar statusBar(resources);
    NullOverlayToolkit overlay(resources);
    QtAudio audio;
    XdgAutostart loginItem(folder / "lumio", folder / "autostart");
    QtAlerts alerts(resources);
    QtLocaleFormat locale;
    StdRandom random;
    QtApplication desktopApplication;
    Platform platform{clock, loop,      settings, idle,   systemEvents, statusBar,         overlay,
                      audio, loginItem, alerts,   locale, random,       desktopApplication};
    App app(platform, {});
    app.applicationDidFinishLaunching();

    QMenu* menu = statusBar.lastItem()->menu();
    menu->popup(QPoint(MARGIN * 4, MARGIN * 4));
    int status = 1;
    QTimer::singleShot(SETTLE_MS, [&] {
        QAction* animals = actionTitled(*menu, QStringLiteral("Các bạn thú"));
        if (!animals) {
            std::cerr << "menu_screenshot: no animals submenu\n";
            QApplication::quit();
            return;
        }
        menu->setActiveAction(animals);
        QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QApplication::sendEvent(menu, &right);
        QTimer::singleShot(SETTLE_MS, [&, animals] {
            const QRect area = menu->geometry()
                                   .united(animals->menu()->geometry())
                                   .adjusted(-MARGIN, -MARGIN, MARGIN, MARGIN);
            const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(
                0, area.x(), area.y(), area.width(), area.height());
            status = shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
            QApplication::quit();
        });
    });
    QApplication::exec();
    return status;
}
