#include "desktop/overlay/QtScreens.h"

#include <gtest/gtest.h>

using namespace lumio;

namespace {

// Two 1280 x 800 monitors side by side, the left one primary.
const QRect LEFT(0, 0, 1280, 800);
const QPoint ON_RIGHT(1900, 400);
const QRect X_WINDOW_ON_RIGHT(1500, 100, 600, 400);

TEST(QtScreens, TheBreakFollowsTheBestKnownPlaceOfTheUser) {
    struct Case {
        const char* name;
        UserWhereabouts where;
        QPoint expected;
    };
    // clang-format off
    const Case cases[] = {
        {"X11: the pointer", {false, ON_RIGHT, QRect(0, 0, 10, 10), LEFT}, ON_RIGHT},
        {"Wayland: the focused X11 window, not the pointer's last place",
         {true, {10, 10}, X_WINDOW_ON_RIGHT, LEFT}, X_WINDOW_ON_RIGHT.center()},
        {"Wayland, a native window focused: the primary screen",
         {true, ON_RIGHT, std::nullopt, LEFT}, LEFT.center()},
        {"Wayland, nothing known: the pointer's last place",
         {true, ON_RIGHT, std::nullopt, std::nullopt}, ON_RIGHT},
    };
    // clang-format on
    for (const Case& c : cases)
        EXPECT_EQ(followedPoint(c.where), c.expected) << c.name;
}

} // namespace
