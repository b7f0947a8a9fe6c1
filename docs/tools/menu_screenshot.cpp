// Draws the tray menu as the program builds it, with the animals submenu
// open, and saves a picture of it: menu_screenshot <out.png>. Runs on a fresh
// settings file in a temporary folder, so it shows the defaults.
#include "app/App.h"
#include "desktop/launch/ProgramOnDisk.h"
#include "desktop/launch/QtMainLoop.h"
#include "desktop/overlay/NullOverlayToolkit.h"
#include "desktop/system/HelperAudioOutput.h"
#include "desktop/system/QtLocaleFormat.h"
#include "desktop/system/StdRandom.h"
#include "desktop/system/SystemClock.h"
#include "desktop/system/XdgAutostart.h"
#include "desktop/tray/QtDialogs.h"
#include "desktop/tray/QtTrayIcon.h"
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

class NoIdle final : public IdleMonitor {
  public:
    void watch(Seconds, std::function<void()>) override {}
    bool tellsCrossings() const override { return true; }
    double secondsSinceLastInput() override { return 0; }
};

class NoSessionEvents final : public SessionEvents {
  public:
    void watch(SessionEventHandlers) override {}
};

constexpr int SETTLE_MS = 500;
constexpr int MARGIN = 16;

QAction* actionWithId(const QMenu& menu, const QString& id) {
    for (auto* action : menu.actions()) {
        if (action->objectName() == id) return action;
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
    QtMainLoop loop(clock);
    JsonSettingsStore settings(folder / "settings.json");
    settings.setValue("welcomed", true);
    NoIdle idle;
    NoSessionEvents session;
    QtTrayIcon tray(resources);
    NullOverlayToolkit overlay(resources);
    HelperAudioOutput audio(folder / "lumio-sound");
    XdgAutostart autostart(folder / "lumio", folder / "autostart");
    QtDialogs dialogs(resources);
    QtLocaleFormat locale;
    StdRandom random;
    ProgramOnDisk program;
    Platform platform{clock, loop,      settings, idle,   session, tray,   overlay,
                      audio, autostart, dialogs,  locale, random,  program};
    App app(platform, {});
    app.applicationDidFinishLaunching();

    QMenu* menu = tray.menu();
    menu->popup(QPoint(MARGIN * 4, MARGIN * 4));
    int status = 1;
    QTimer::singleShot(SETTLE_MS, [&] {
        QAction* animals = actionWithId(*menu, QStringLiteral("animals"));
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
