#include "desktop/system/QtLocaleFormat.h"

#include <QDateTime>

#include <gtest/gtest.h>

using namespace lumio;

namespace {

Instant localTime(int hour, int minute, int second) {
    const QDateTime when(QDate(2026, 3, 14), QTime(hour, minute, second));
    return instantFromEpoch(static_cast<double>(when.toMSecsSinceEpoch()) / 1000.0);
}

TEST(QtLocaleFormat, ShortTimeShowsHourAndMinuteButNoSeconds) {
    const auto text = QtLocaleFormat().shortTime(localTime(10, 5, 37));
    EXPECT_NE(text.find("05"), std::string::npos) << text;
    EXPECT_EQ(text.find("37"), std::string::npos) << text;
}

TEST(QtLocaleFormat, TheCLocaleGetsTheTwentyFourHourClock) {
    if (QLocale::system().language() != QLocale::C) GTEST_SKIP() << "not running in the C locale";
    EXPECT_EQ(QtLocaleFormat().shortTime(localTime(21, 7, 59)), "21:07");
    EXPECT_EQ(QtLocaleFormat().shortTime(localTime(0, 0, 0)), "00:00");
}

} // namespace
