#include "overlay/Overlay.h"
#include "fakes/FakeDesktop.h"

#include <gtest/gtest.h>

using namespace lumio;

namespace {

const Screen LEFT{{0, 0, 1920, 1080}, {0, 27, 1920, 1053}};
const Screen RIGHT{{1920, 0, 1280, 1024}, {1920, 0, 1230, 984}}; // a dock at the right and bottom

TEST(ScreenChoice, PointerPicksTheScreenUnderIt) {
    EXPECT_EQ(targetScreen({2000, 500}, {LEFT, RIGHT}, LEFT)->frame, RIGHT.frame);
    EXPECT_EQ(targetScreen({10, 10}, {LEFT, RIGHT}, RIGHT)->frame, LEFT.frame);
}

TEST(ScreenChoice, SharedEdgeBelongsToExactlyOneScreen) {
    EXPECT_EQ(targetScreen({1920, 500}, {LEFT, RIGHT}, std::nullopt)->frame, RIGHT.frame);
    EXPECT_EQ(targetScreen({1919.5, 500}, {LEFT, RIGHT}, std::nullopt)->frame, LEFT.frame);
    EXPECT_EQ(targetScreen({1920, 500}, {RIGHT, LEFT}, std::nullopt)->frame, RIGHT.frame);
}

TEST(ScreenChoice, OutsideEveryScreenFallsBackToMainThenFirst) {
    EXPECT_EQ(targetScreen({5000, 5000}, {LEFT, RIGHT}, RIGHT)->frame, RIGHT.frame);
    EXPECT_EQ(targetScreen({-1, 0}, {LEFT, RIGHT}, std::nullopt)->frame, LEFT.frame);
    EXPECT_FALSE(targetScreen({0, 0}, {}, std::nullopt).has_value());
}

TEST(Placement, BottomRightOfTheFreeArea) {
    EXPECT_EQ(panelFrame(LEFT), (Rect{1580, 650, 340, 430}));
    EXPECT_EQ(panelFrame(RIGHT), (Rect{2810, 554, 340, 430}));
}

class OverlayBridge : public testing::Test {
  protected:
    OverlayBridge() {
        toolkit.fakeScreens.list = {LEFT, RIGHT};
        toolkit.fakeScreens.main = LEFT;
        toolkit.fakeScreens.at = {2500, 100};
        toolkit.loadSeconds.reset();
        overlay.prepare();
    }
    fake::FakePanel& dim() { return *toolkit.panels.at(0); }
    fake::FakePanel& panel() { return *toolkit.panels.at(1); }
    fake::FakeWebView& web() { return *toolkit.web; }
    const std::vector<std::string>& scripts() const { return toolkit.scripts; }

    fake::VirtualClock clock{0};
    fake::FakeLoop loop{clock};
    fake::FakeOverlayToolkit toolkit{loop};
    std::vector<std::string> received;
    Overlay overlay{toolkit, [this](const std::string& m) { received.push_back(m); }};
};

TEST_F(OverlayBridge, BuiltOnceWithItsPanelsAndPage) {
    ASSERT_EQ(toolkit.panels.size(), 2u);
    EXPECT_EQ(dim().style.level, 1000);
    EXPECT_TRUE(dim().style.clickThrough);
    EXPECT_DOUBLE_EQ(dim().style.blackAlpha, 0.3);
    EXPECT_EQ(panel().style.level, 1001);
    EXPECT_FALSE(panel().style.clickThrough);
    EXPECT_EQ(web().file, "/res/overlay.html");
    EXPECT_EQ(web().readAccess, "/res");
    EXPECT_FALSE(dim().visible || panel().visible);
}

TEST_F(OverlayBridge, ScriptText) {
    EXPECT_EQ(Overlay::script("panda", 20),
              "__lumioShow({animalId:'panda',breakSec:20,dim:false,snoozeMin:5})");
}

TEST_F(OverlayBridge, ShowWithDimmingFadesItInOnTheScreenUnderThePointer) {
    web().finishLoading();
    overlay.show("cat", 30, true);
    EXPECT_EQ(panel().frame, panelFrame(RIGHT));
    EXPECT_TRUE(panel().visible);
    EXPECT_EQ(dim().frame, RIGHT.frame);
    EXPECT_TRUE(dim().visible);
    EXPECT_DOUBLE_EQ(dim().alpha, 0.0);
    loop.runFor(0.35);
    EXPECT_DOUBLE_EQ(dim().alpha, 1.0);
    EXPECT_EQ(scripts(), std::vector<std::string>{
                             "__lumioShow({animalId:'cat',breakSec:30,dim:false,snoozeMin:5})"});
}

TEST_F(OverlayBridge, ShowWithoutDimmingRemovesAnEarlierDimmingAtOnce) {
    overlay.show("cat", 20, true);
    overlay.show("dog", 20, false);
    EXPECT_FALSE(dim().visible);
    EXPECT_TRUE(panel().visible);
}

TEST_F(OverlayBridge, OnlyTheLastScriptWaitsForThePage) {
    overlay.show("cat", 20, false);
    overlay.show("frog", 45, false);
    EXPECT_TRUE(scripts().empty());
    web().finishLoading();
    EXPECT_EQ(scripts(), std::vector<std::string>{
                             "__lumioShow({animalId:'frog',breakSec:45,dim:false,snoozeMin:5})"});
    EXPECT_FALSE(overlay.pendingScript().has_value());
    web().finishLoading(); // a later navigation finishing runs nothing again
    EXPECT_EQ(scripts().size(), 1u);
    overlay.show("dog", 20, false);
    EXPECT_EQ(scripts().size(), 2u);
    EXPECT_FALSE(overlay.pendingScript().has_value());
}

TEST_F(OverlayBridge, ClosedHidesThenReachesTheApp) {
    web().finishLoading();
    overlay.show("cat", 20, true);
    loop.runFor(1);
    web().post(std::string("done"));
    EXPECT_TRUE(panel().visible) << "an outcome alone leaves the panel";
    web().post(std::string("closed"));
    EXPECT_FALSE(panel().visible);
    EXPECT_TRUE(dim().visible) << "the dimming fades out first";
    loop.runFor(0.3);
    EXPECT_FALSE(dim().visible);
    EXPECT_DOUBLE_EQ(dim().alpha, 0.0);
    EXPECT_EQ(received, (std::vector<std::string>{"done", "closed"}));
}

TEST_F(OverlayBridge, NearMissesAndNonStringsDoNotHide) {
    web().finishLoading();
    overlay.show("cat", 20, false);
    web().post(std::string("Closed"));
    web().post(std::string("closed "));
    web().post(std::nullopt);
    EXPECT_TRUE(panel().visible);
    EXPECT_EQ(received, (std::vector<std::string>{"Closed", "closed "}));
}

TEST_F(OverlayBridge, ClosedWhileHiddenRunsNoFade) {
    web().post(std::string("closed"));
    EXPECT_EQ(dim().fades, 0);
    EXPECT_EQ(received, std::vector<std::string>{"closed"});
}

TEST_F(OverlayBridge, NewBreakDuringFadeOutKeepsItsDimming) {
    web().finishLoading();
    overlay.show("cat", 20, true);
    loop.runFor(1);
    web().post(std::string("closed"));
    loop.runFor(0.1);
    overlay.show("dog", 20, true);
    loop.runFor(1);
    EXPECT_TRUE(dim().visible);
    EXPECT_DOUBLE_EQ(dim().alpha, 1.0);
}

TEST_F(OverlayBridge, NoScreenShowsNothing) {
    toolkit.fakeScreens.list.clear();
    toolkit.fakeScreens.main.reset();
    web().finishLoading();
    overlay.show("cat", 20, true);
    EXPECT_FALSE(panel().visible || dim().visible);
    EXPECT_TRUE(scripts().empty());
}

TEST_F(OverlayBridge, ReleaseDropsEverythingButABreakOnScreen) {
    web().finishLoading();
    overlay.show("cat", 20, true);
    overlay.release();
    EXPECT_TRUE(overlay.isPrepared() && panel().visible) << "kept while the break is on screen";
    web().post(std::string("closed"));
    overlay.release();
    EXPECT_FALSE(overlay.isPrepared());
    EXPECT_TRUE(toolkit.panels.empty());
    loop.runFor(1); // the dimming's fade-out ends with nothing left to touch

    overlay.show("dog", 20, false); // made afresh; the new page has not loaded yet
    EXPECT_EQ(toolkit.webViewsMade, 2);
    EXPECT_TRUE(panel().visible);
    EXPECT_EQ(overlay.pendingScript(), Overlay::script("dog", 20));
}

TEST_F(OverlayBridge, AFailedPageIsReplacedByTheNextBreakOnly) {
    web().finishLoading();
    overlay.show("cat", 20, true);
    web().fail();
    EXPECT_FALSE(overlay.isShowing());
    overlay.prepare();
    EXPECT_EQ(toolkit.webViewsMade, 1) << "no new page until a break asks for one";
    overlay.show("dog", 20, true);
    EXPECT_EQ(toolkit.webViewsMade, 2);
    EXPECT_TRUE(overlay.isShowing());
    EXPECT_EQ(toolkit.panels.size(), 2u);
}

} // namespace
