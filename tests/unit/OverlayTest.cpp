#include "overlay/Overlay.h"
#include "support/FakeDesktop.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace lumio;

namespace {

const Screen L{{0, 0, 1920, 1080}, {0, 27, 1920, 1053}};
const Screen R{{1920, 0, 1280, 1024}, {1920, 0, 1230, 984}}; // a dock at the right and bottom

TEST(Overlay, ScreenUnderThePointerElsePrimaryElseFirstAndItsCorner) {
    const struct {
        Point at;
        std::vector<Screen> screens;
        std::optional<Screen> primary;
        const Screen* chosen;
    } rows[] = {{{2000, 500}, {L, R}, L, &R},  {{10, 10}, {L, R}, R, &L},
                {{1920, 500}, {L, R}, {}, &R}, {{1919.5, 9}, {R, L}, {}, &L}, // a shared edge
                {{5000, 0}, {L, R}, R, &R},    {{-1, 0}, {L, R}, {}, &L},
                {{0, 0}, {}, {}, nullptr}};
    for (const auto& r : rows) {
        const auto chosen = targetScreen(r.at, r.screens, r.primary);
        EXPECT_EQ(chosen ? std::optional(chosen->geometry) : std::nullopt,
                  r.chosen ? std::optional(r.chosen->geometry) : std::nullopt);
    }
    EXPECT_EQ(panelGeometry(L), (Rect{1580, 650, 340, 430}));
    EXPECT_EQ(panelGeometry(R), (Rect{2810, 554, 340, 430}));
}

class OverlayBridge : public testing::Test {
  protected:
    OverlayBridge() {
        desk.screenList = {L, R};
        desk.pointer = {2500, 100};
        toolkit.loadSeconds.reset();
        overlay.prepare();
    }
    fake::FakePanel& dim() { return *toolkit.panels.at(0); }
    fake::FakePanel& panel() { return *toolkit.panels.at(1); }
    void loaded() { toolkit.web->onLoaded(); }

    fake::FakeDesktop desk{0};
    fake::FakeOverlayToolkit& toolkit = desk.overlay;
    std::vector<std::string> received;
    Overlay overlay{toolkit, [this](const std::string& m) { received.push_back(m); }};
};

TEST_F(OverlayBridge, ABreakWithDimmingOnTheScreenUnderThePointerUntilThePageCloses) {
    EXPECT_TRUE(dim().style.clickThrough && !panel().style.clickThrough);
    EXPECT_GT(panel().style.level, dim().style.level);
    EXPECT_EQ(toolkit.web->file, toolkit.web->readAccess / "overlay.html");
    loaded();
    overlay.show("cat", 30, true);
    EXPECT_EQ(std::tuple(panel().geometry, dim().geometry),
              std::tuple(panelGeometry(R), R.geometry));
    EXPECT_TRUE(panel().visible && dim().visible && dim().opacity == 1.0 && dim().fades == 1);
    EXPECT_EQ(toolkit.scripts.at(0),
              "__lumioShow({animalId:'cat',breakSec:30,dim:false,snoozeMin:5})");
    for (const auto& word : {"done", "Closed", "closed "})
        toolkit.post(word);
    toolkit.web->onMessage(std::nullopt);
    EXPECT_TRUE(panel().visible) << "only \"closed\" hides";
    toolkit.post("closed");
    EXPECT_FALSE(panel().visible || dim().visible);
    EXPECT_EQ(dim().fades, 2) << "the dimming fades out";
    EXPECT_EQ(received.size(), 4u) << "every string reaches the App";
    overlay.show("cat", 20, true);
    overlay.show("dog", 20, false);
    EXPECT_FALSE(dim().visible) << "no dimming removes an earlier one at once";
}

TEST_F(OverlayBridge, OnlyTheLastScriptWaitsForThePageAndNoScreenShowsNothing) {
    toolkit.post("closed");
    EXPECT_EQ(dim().fades, 0) << "closed while hidden";
    overlay.show("cat", 20, false);
    overlay.show("frog", 45, false);
    EXPECT_TRUE(toolkit.scripts.empty());
    loaded();
    loaded(); // a later navigation finishing runs nothing again
    desk.screenList.clear();
    overlay.show("dog", 20, true);
    EXPECT_EQ(toolkit.scripts, std::vector<std::string>{Overlay::script("frog", 45)});
    EXPECT_FALSE(dim().visible);
}

TEST_F(OverlayBridge, ReleaseDropsAllButABreakOnScreenAndAFailedPageWaitsForTheNextBreak) {
    loaded();
    overlay.show("cat", 20, true);
    overlay.release();
    EXPECT_TRUE(overlay.isPrepared() && panel().visible);
    toolkit.post("closed");
    overlay.release();
    EXPECT_TRUE(!overlay.isPrepared() && toolkit.panels.empty());
    overlay.show("dog", 20, false); // made afresh
    loaded();
    EXPECT_TRUE(panel().visible && toolkit.scripts.back() == Overlay::script("dog", 20));
    toolkit.web->onFail();
    overlay.prepare();
    EXPECT_FALSE(overlay.isShowing());
    EXPECT_EQ(toolkit.webViewsMade, 2) << "no new page until a break asks for one";
    overlay.show("dog", 20, true);
    EXPECT_TRUE(overlay.isShowing() && toolkit.webViewsMade == 3 && toolkit.panels.size() == 2);
}

} // namespace
