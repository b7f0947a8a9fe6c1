#include "app/App.h"
#include "desktop/launch/ApplicationService.h"
#include "desktop/launch/CommandLine.h"
#include "desktop/launch/DesktopScale.h"
#include "desktop/launch/DisplayWait.h"
#include "desktop/launch/InstanceLock.h"
#include "desktop/launch/ProgramOnDisk.h"
#include "desktop/launch/QtMainLoop.h"
#include "desktop/launch/QuitOnSignal.h"
#include "desktop/launch/Resources.h"
#include "desktop/launch/SessionBusAddress.h"
#include "desktop/measure/TimeScale.h"
#include "desktop/measure/TimingLog.h"
#include "desktop/overlay/HelperOverlayToolkit.h"
#include "desktop/overlay/NullOverlayToolkit.h"
#include "desktop/overlay/WebEngineSetup.h"
#include "desktop/system/DBusSessionEvents.h"
#include "desktop/system/DesktopIdleMonitor.h"
#include "desktop/system/HelperAudioOutput.h"
#include "desktop/system/QtLocaleFormat.h"
#include "desktop/system/SettingsReload.h"
#include "desktop/system/StdRandom.h"
#include "desktop/system/SystemClock.h"
#include "desktop/system/XdgAutostart.h"
#include "desktop/tray/QtDialogs.h"
#include "desktop/tray/QtTrayIcon.h"
#include "files/Diagnostics.h"
#include "prefs/JsonSettingsStore.h"

#include <QApplication>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace lumio;

namespace {

// A login that starts Lumio a moment before the display is up.
constexpr std::chrono::seconds DISPLAY_PATIENCE{5};

std::vector<std::string> argumentsAfterProgram(const QStringList& all) {
    std::vector<std::string> arguments;
    for (qsizetype i = 1; i < all.size(); ++i)
        arguments.push_back(all[i].toStdString());
    return arguments;
}

// Lumio's own windows (the tray's menu and dialogs) and the screens it reads
// for breaks are those of XWayland: prefer it whenever the session offers one.
// Tells whether it chose; the break helper makes its own choice.
bool preferXWayland() {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* x11 = std::getenv("DISPLAY");
    if (wayland && *wayland && x11 && *x11 && !std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        return true;
    }
    return false;
}

std::unique_ptr<OverlayToolkit> makeOverlayToolkit(const std::filesystem::path& executableDir,
                                                   const std::filesystem::path& resources,
                                                   bool choseXWayland, TimingLog* timing,
                                                   double timeScale) {
    if (HelperOverlayToolkit::available()) {
        std::vector<std::string> notInherited;
        if (choseXWayland) notInherited.emplace_back("QT_QPA_PLATFORM");
        return std::make_unique<HelperOverlayToolkit>(findHelper(executableDir, "lumio-break"),
                                                      resources, std::move(notInherited), timing,
                                                      timeScale);
    }
    diagnose("no X display (XWayland); breaks are counted but not shown");
    return std::make_unique<NullOverlayToolkit>(resources);
}

// Whether this launch is done without a tray of its own: its request handed
// to the running copy, or a quit with nothing to quit.
bool launchEndsHere(const Result<FileLock>& taken, int& argc, char* argv[]) {
    if (!taken.ok()) {
        diagnose("no instance lock, so a second copy is not kept from starting: " +
                 taken.status().text());
    } else if (taken->heldElsewhere()) {
        // The running copy does what this launch asked for.
        const QCoreApplication forwarding(argc, argv);
        forwardToRunningCopy({argv + 1, argv + argc});
        return true;
    }
    // Nothing else runs, so there is nothing to quit.
    return requestedAction({argv + 1, argv + argc}) == "quit";
}

void nameApplication() {
    QApplication::setApplicationName(QStringLiteral("lumio"));
    QApplication::setApplicationDisplayName(QStringLiteral("Lumio"));
    QApplication::setApplicationVersion(QStringLiteral(LUMIO_VERSION));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);
}

// Makes the desktop's side of every port, hands them to the App and runs the
// main loop until the program quits.
int runTray(std::vector<std::string> arguments, bool choseXWayland, InstalledProgram& program) {
    const auto executable = executablePath();
    const auto resources = findResources(executable.parent_path());

    // Measurement aids for benchmarks, both off unless asked for.
    const auto timing = TimingLog::fromEnvironment();
    const double timeScale = timeScaleFromEnvironment();
    SystemClock clock(timeScale);
    QtMainLoop loop(clock, timeScale, timing.get());
    const auto settingsFile = JsonSettingsStore::defaultPath();
    JsonSettingsStore settings(settingsFile);
    DesktopIdleMonitor idle(timeScale);
    DBusSessionEvents session;
    QtTrayIcon tray(resources);
    const auto overlay = makeOverlayToolkit(executable.parent_path(), resources, choseXWayland,
                                            timing.get(), timeScale);
    HelperAudioOutput audio(findHelper(executable.parent_path(), "lumio-sound"));
    XdgAutostart autostart(executable);
    QtDialogs dialogs(resources);
    QtLocaleFormat locale;
    StdRandom random;
    Platform platform{clock, loop,      settings, idle,   session, tray,   *overlay,
                      audio, autostart, dialogs,  locale, random,  program};

    App app(platform, std::move(arguments));
    const SettingsReload reload(settings, settingsFile, [&app] { app.settingsChangedElsewhere(); });
    ApplicationService service(
        [&app](const std::string& action) { return app.activateAction(action); },
        [&app] { app.activate(); });
    QTimer::singleShot(0, [&app, &service] {
        app.applicationDidFinishLaunching();
        service.publish();
    });
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    setProgramName("lumio");
    ProgramOnDisk program;
    if (const auto answer = earlyAnswer({argv + 1, argv + argc})) {
        std::cout << *answer;
        return EXIT_SUCCESS;
    }
    settleSessionBusAddress();
    // Held for the whole run; without any usable place for it Lumio still
    // runs, only unguarded.
    const auto taken = takeInstanceLock();
    if (launchEndsHere(taken, argc, argv)) return EXIT_SUCCESS;

    const bool choseXWayland = preferXWayland();
    if (const auto problem = waitForDisplay(DISPLAY_PATIENCE)) {
        diagnose(*problem);
        return EXIT_FAILURE;
    }
    followDesktopScale();
    preferSoftwareDrawing();
    QApplication application(argc, argv);
    nameApplication();

    // Qt has taken its own options out by now; what is left is ours.
    auto arguments = argumentsAfterProgram(QApplication::arguments());
    for (const auto& option : unknownOptions(arguments)) {
        diagnose("ignoring unknown option " + option);
    }
    const QuitOnSignal quitOnSignal;
    const int status = runTray(std::move(arguments), choseXWayland, program);
    program.takeOverIfAsked(choseXWayland ? std::vector<std::string>{"QT_QPA_PLATFORM"}
                                          : std::vector<std::string>{});
    return status;
}
