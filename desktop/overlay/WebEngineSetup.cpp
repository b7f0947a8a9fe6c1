#include "desktop/overlay/WebEngineSetup.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QtGlobal>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <unistd.h>

namespace lumio {

namespace {

QtMessageHandler passOn = nullptr;

bool expectedWithoutOpenGL(const QString& message) {
    static const std::array<QString, 2> NOTES{
        QStringLiteral(
            "QXcbIntegration: Cannot create platform OpenGL context, neither GLX nor EGL "
            "are enabled"),
        QStringLiteral("No suitable graphics backend found")};
    // One of them comes with a newline of its own.
    return std::ranges::find(NOTES, message.trimmed()) != NOTES.end();
}

void dropExpectedNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (expectedWithoutOpenGL(message)) return;
    if (passOn) passOn(type, context, message);
}

} // namespace

void preferSoftwareDrawing() {
    if (!std::getenv("QT_XCB_GL_INTEGRATION") && !std::getenv("QT_QUICK_BACKEND")) {
        qputenv("QT_XCB_GL_INTEGRATION", "none");
        qputenv("QT_QUICK_BACKEND", "software");
    }
    // Also when the choice came with the environment, as the break helper's does.
    if (qgetenv("QT_XCB_GL_INTEGRATION") == "none") {
        passOn = qInstallMessageHandler(dropExpectedNotes);
    }
}

void prepareWebEngine() {
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    constexpr auto FLAGS = "QTWEBENGINE_CHROMIUM_FLAGS";
    QByteArray flags = qgetenv(FLAGS);
    const auto add = [&flags](const char* flag) {
        if (!flags.isEmpty()) flags.append(' ');
        flags.append(flag);
    };
    // Last, so that these win over the same flags given earlier.
    add("--force-webrtc-ip-handling-policy=disable_non_proxied_udp "
        "--proxy-server=socks5://127.0.0.1:0 --proxy-bypass-list=<-loopback>");
    if (geteuid() == 0 && !flags.contains("--no-sandbox")) add("--no-sandbox");
    qputenv(FLAGS, flags);
}

} // namespace lumio
