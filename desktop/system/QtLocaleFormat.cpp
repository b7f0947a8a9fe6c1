#include "desktop/system/QtLocaleFormat.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>

namespace lumio {

std::string QtLocaleFormat::shortTime(Instant t) const {
    const auto millis = static_cast<qint64>(std::floor(epochSeconds(t) * 1000.0));
    const QTime time = QDateTime::fromMSecsSinceEpoch(millis).toLocalTime().time();
    const QLocale locale = QLocale::system();
    // The C locale's "short" time carries seconds; it states no preference of
    // the user's, so it gets the plain 24-hour clock.
    if (locale.language() == QLocale::C) {
        return time.toString(QStringLiteral("HH:mm")).toStdString();
    }
    return locale.toString(time, QLocale::ShortFormat).toStdString();
}

} // namespace lumio
