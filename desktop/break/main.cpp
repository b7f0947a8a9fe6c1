// lumio-break: the break panels and page, in a process of their own that
// lives only around a break. Lumio starts it with the channel on stdin and
// stdout and the option --parent <its pid>; it is of no use on its own.

#include "desktop/break/BreakServer.h"
#include "desktop/break/PanelPlatform.h"
#include "desktop/break/QtOverlayToolkit.h"
#include "desktop/overlay/WebEngineSetup.h"
#include "files/Diagnostics.h"

#include <QApplication>
#include <QStringList>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/prctl.h>
#include <unistd.h>

using namespace lumio;

namespace {

// Our own copy of the channel, with stdin and stdout moved out of its way so
// that nothing printed by a library can garble it.
int takeChannel() {
    const int channel = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (channel < 0) return -1;
    const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nothing >= 0) {
        ::dup2(nothing, STDIN_FILENO);
        ::close(nothing);
    }
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    return channel;
}

} // namespace

int main(int argc, char* argv[]) {
    setProgramName("lumio-break");
    pid_t parent = 0;
    bool reportPaint = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--parent" && i + 1 < argc) parent = std::atoi(argv[++i]);
        if (argument == "--report-paint") reportPaint = true;
    }
    // Never outlive Lumio, even when it is killed: the signal comes when it
    // dies, and if it died before we asked, our parent is already someone else.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (parent <= 0 || ::getppid() != parent) {
        diagnose("this program is started by lumio only");
        return EXIT_FAILURE;
    }
    const int channel = takeChannel();
    if (channel < 0) {
        diagnose(std::string("no channel to lumio: ") + std::strerror(errno));
        return EXIT_FAILURE;
    }

    choosePanelPlatform();
    preferSoftwareDrawing();
    QApplication application(argc, argv);
    // The panels are Lumio's in the window list and to the compositor.
    QApplication::setApplicationName(QStringLiteral("lumio"));
    QApplication::setQuitOnLastWindowClosed(false);
    if (!QtOverlayToolkit::available()) {
        diagnose("no X display (XWayland) and no Wayland layer shell");
        return EXIT_FAILURE;
    }
    const BreakServer server(channel, reportPaint);
    return QApplication::exec();
}
