#include "desktop/overlay/DockStruts.h"

#include <gtest/gtest.h>

using namespace lumio;

namespace {

// Two 640 x 800 monitors side by side on a 1280 x 800 root window.
const QSize ROOT(1280, 800);
const QRect LEFT(0, 0, 640, 800);
const QRect RIGHT(640, 0, 640, 800);

Strut bottomPanel(int height, int fromX, int toX) {
    return {.bottom = height, .bottomStartX = fromX, .bottomEndX = toX};
}

TEST(DockStruts, EachDockCutsOnlyTheMonitorItReachesInto) {
    struct Case {
        const char* name;
        QRect monitor;
        QSize root;
        std::vector<Strut> struts;
        QRect expected;
    };
    // clang-format off
    const Case cases[] = {
        {"no docks", RIGHT, ROOT, {}, RIGHT},
        {"bottom panel on the right", RIGHT, ROOT, {bottomPanel(30, 640, 1279)}, {640, 0, 640, 770}},
        {"bottom panel on the right, seen from the left", LEFT, ROOT, {bottomPanel(30, 640, 1279)}, LEFT},
        {"bottom panel across both", LEFT, ROOT, {bottomPanel(30, 0, 1279)}, {0, 0, 640, 770}},
        {"the thicker of two", RIGHT, ROOT, {bottomPanel(30, 640, 1279), bottomPanel(50, 900, 1000)}, {640, 0, 640, 750}},
        {"top panel on the right", RIGHT, ROOT, {{.top = 24, .topStartX = 640, .topEndX = 1279}}, {640, 24, 640, 776}},
        {"left dock", LEFT, ROOT, {{.left = 48, .leftStartY = 0, .leftEndY = 799}}, {48, 0, 592, 800}},
        {"left dock, seen from the right", RIGHT, ROOT, {{.left = 48, .leftStartY = 0, .leftEndY = 799}}, RIGHT},
        {"right dock", RIGHT, ROOT, {{.right = 48, .rightStartY = 0, .rightEndY = 799}}, {640, 0, 592, 800}},
        {"right dock, seen from the left", LEFT, ROOT, {{.right = 48, .rightStartY = 0, .rightEndY = 799}}, LEFT},
        // The root is as tall as the taller monitor; the shorter one's panel
        // keeps a band that starts at the root's bottom edge.
        {"bottom panel on a shorter monitor", {1920, 0, 1280, 1024}, {3200, 1080}, {bottomPanel(86, 1920, 3199)}, {1920, 0, 1280, 994}},
        {"a dock wider than the monitor is ignored", RIGHT, ROOT, {bottomPanel(800, 640, 1279)}, RIGHT},
    };
    // clang-format on
    for (const Case& c : cases)
        EXPECT_EQ(visibleArea(c.monitor, c.root, c.struts), c.expected) << c.name;
}

} // namespace
