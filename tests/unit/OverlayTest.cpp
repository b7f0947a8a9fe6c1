#include "overlay/Overlay.h"
#include "support/FakeDesktop.h"

#include <gtest/gtest.h>

using namespace lumio;

namespace {

const Screen LEFT{{0, 0, 1920, 1080}, {0, 27, 1920, 1053}};
const Screen RIGHT{{1920, 0, 1280, 1024}, {1920, 0, 1230, 984}}; // a dock at the right and bottom

TEST(Overlay, ScreenUnderThePointerElsePrimaryElseFirst) {
    const struct {
        Point at;
        std::vector<Screen> screens;
        std::optional<Screen> primary;
        std::optional<Rect> chosen;
    } rows[] = {
        {{2000, 500}, {LEFT, RIGHT}, LEFT, RIGHT.geometry},
        {{10, 10}, {LEFT, RIGHT}, RIGHT, LEFT.geometry},
        {{1920, 500}, {LEFT, RIGHT}, std::nullopt, RIGHT.geometry}, // a shared edge: one screen
        {{1919.5, 500}, {RIGHT, LEFT}, std::nullopt, LEFT.geometry},
        {{5000, 5000}, {LEFT, RIGHT}, RIGHT, RIGHT.geometry},
        {{-1, 0}, {LEFT, RIGHT}, std::nullopt, LEFT.geometry},
        {{0, 0}, {}, std::nullopt, std::nullopt},
    };
    for (const auto& r : rows) {
        const auto chosen = targetScreen(r.at, r.screens, r.primary);
        EXPECT_EQ(chosen ? std::optional(chosen->geometry) : std::nullopt, r.chosen) << r.at.x;
    }
    EXPECT_EQ(panelGeometry(LEFT), (Rect{1580, 650, 340, 430}));
    EXPECT_EQ(panelGeometry(RIGHT), (Rect{2810, 554, 340, 430}));
}

class OverlayBridge : public testing::Test {
  protected:
    OverlayBridge() {
        toolkit.fakeScreens.list = {LEFT, RIGHT};
        toolkit.fakeScreens.at = {2500, 100};
        toolkit.loadSeconds.reset();
        overlay.prepare();
    }
    fake::FakePanel& dim() { return *toolkit.panels.at(0); }
    fake::FakePanel& panel() { return *toolkit.panels.at(1); }
    void loaded() { toolkit.web->onLoaded(); }

    fake::VirtualClock clock{0};
    fake::FakeLoop loop{clock};
    fake::FakeOverlayToolkit toolkit{loop, clock};
    std::vector<std::string> received;
    Overlay overlay{toolkit, [this](const std::string& m) { received.push_back(m); }};
};

TEST_F(OverlayBridge, ABreakWithDimmingOnTheScreenUnderThePointer) {
    EXPECT_TRUE(dim().style.clickThrough && dim().style.blackAlpha > 0);
    EXPECT_FALSE(panel().style.clickThrough);
    EXPECT_GT(panel().style.level, dim().style.level);
    EXPECT_EQ(toolkit.web->file, "/res/overlay.html");
    EXPECT_EQ(toolkit.web->readAccess, "/res");
    EXPECT_FALSE(dim().visible || panel().visible);

    loaded();
    overlay.show("cat", 30, true);
    EXPECT_EQ(panel().geometry, panelGeometry(RIGHT));
    EXPECT_EQ(dim().geometry, RIGHT.geometry);
    EXPECT_TRUE(panel().visible && dim().visible);
    EXPECT_DOUBLE_EQ(dim().opacity, 0.0);
    loop.runFor(0.35);
    EXPECT_DOUBLE_EQ(dim().opacity, 1.0);
    EXPECT_EQ(toolkit.scripts, std::vector<std::string>{"__lumioShow({animalId:'cat',breakSec:30,"
                                                        "dim:false,snoozeMin:5})"});

    toolkit.post("done");
    EXPECT_TRUE(panel().visible) << "an outcome alone leaves the panel";
    for (const auto& near : {"Closed", "closed "})
        toolkit.post(near);
    toolkit.web->onMessage(std::nullopt);
    EXPECT_TRUE(panel().visible);
    toolkit.post("closed");
    EXPECT_FALSE(panel().visible);
    EXPECT_TRUE(dim().visible) << "the dimming fades out first";
    loop.runFor(0.1);
    overlay.show("dog", 20, true); // a new break during the fade-out keeps its dimming
    loop.runFor(1);
    EXPECT_TRUE(dim().visible);
    EXPECT_DOUBLE_EQ(dim().opacity, 1.0);
    toolkit.post("closed");
    loop.runFor(0.3);
    EXPECT_FALSE(dim().visible);
    EXPECT_EQ(received,
              (std::vector<std::string>{"done", "Closed", "closed ", "closed", "closed"}));

    overlay.show("cat", 20, true);
    overlay.show("dog", 20, false);
    EXPECT_FALSE(dim().visible) << "no dimming removes an earlier one at once";
}

TEST_F(OverlayBridge, OnlyTheLastScriptWaitsForThePage) {
    toolkit.post("closed");
    EXPECT_EQ(dim().fades, 0) << "closed while hidden";
    overlay.show("cat", 20, false);
    overlay.show("frog", 45, false);
    EXPECT_TRUE(toolkit.scripts.empty());
    loaded();
    loaded(); // a later navigation finishing runs nothing again
    overlay.show("dog", 20, false);
    EXPECT_EQ(toolkit.scripts,
              (std::vector<std::string>{Overlay::script("frog", 45), Overlay::script("dog", 20)}));
}

TEST_F(OverlayBridge, NoScreenShowsNothing) {
    toolkit.fakeScreens.list.clear();
    loaded();
    overlay.show("cat", 20, true);
    EXPECT_FALSE(panel().visible || dim().visible || overlay.isShowing());
    EXPECT_TRUE(toolkit.scripts.empty());
}

TEST_F(OverlayBridge, ReleaseDropsEverythingButABreakOnScreen) {
    loaded();
    overlay.show("cat", 20, true);
    overlay.release();
    EXPECT_TRUE(overlay.isPrepared() && panel().visible);
    toolkit.post("closed");
    overlay.release();
    EXPECT_FALSE(overlay.isPrepared());
    EXPECT_TRUE(toolkit.panels.empty());
    loop.runFor(1);                 // the dimming's fade-out ends with nothing left to touch
    overlay.show("dog", 20, false); // made afresh; the new page has not loaded yet
    EXPECT_EQ(toolkit.webViewsMade, 2);
    EXPECT_TRUE(panel().visible);
    loaded();
    EXPECT_EQ(toolkit.scripts.back(), Overlay::script("dog", 20));
}

TEST_F(OverlayBridge, AFailedPageIsReplacedByTheNextBreakOnly) {
    loaded();
    overlay.show("cat", 20, true);
    toolkit.web->onFail();
    EXPECT_FALSE(overlay.isShowing());
    overlay.prepare();
    EXPECT_EQ(toolkit.webViewsMade, 1) << "no new page until a break asks for one";
    overlay.show("dog", 20, true);
    EXPECT_EQ(toolkit.webViewsMade, 2);
    EXPECT_TRUE(overlay.isShowing());
    EXPECT_EQ(toolkit.panels.size(), 2u);
}

} // namespace
