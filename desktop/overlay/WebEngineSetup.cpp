#include "desktop/overlay/WebEngineSetup.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QtGlobal>
#include <unistd.h>

namespace lumio {

void prepareWebEngine() {
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    if (geteuid() != 0) return;
    constexpr auto FLAGS = "QTWEBENGINE_CHROMIUM_FLAGS";
    QByteArray flags = qgetenv(FLAGS);
    if (flags.contains("--no-sandbox")) return;
    flags.append(flags.isEmpty() ? "--no-sandbox" : " --no-sandbox");
    qputenv(FLAGS, flags);
}

} // namespace lumio
