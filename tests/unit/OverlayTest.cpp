#include "overlay/Overlay.h"
#include "support/AppHarness.h"

#include <tuple>

using namespace lumio;

const Screen L{{0, 0, 1920, 1080}, {0, 27, 1920, 1053}};
const Screen R{{1920, 0, 1280, 1024}, {1920, 0, 1230, 984}}; // a dock at the right and bottom

TEST(Overlay, ScreenUnderThePointerElsePrimaryElseFirstAndItsCorner) {
    // The pointer, the screens, the primary one, and the screen chosen.
    using Row = std::tuple<Point, std::vector<Screen>, std::optional<Screen>, const Screen*>;
    const std::vector<Row> rows{{{2000, 500}, {L, R}, L, &R},  {{10, 10}, {L, R}, R, &L},
                                {{1920, 500}, {L, R}, {}, &R}, {{1919.5, 9}, {R, L}, {}, &L},
                                {{5000, 0}, {L, R}, R, &R},    {{-1, 0}, {L, R}, {}, &L},
                                {{0, 0}, {}, {}, nullptr}};
    for (const auto& [at, screens, primary, expected] : rows) {
        const auto chosen = targetScreen(at, screens, primary);
        EXPECT_EQ(chosen ? std::optional(chosen->geometry) : std::nullopt,
                  expected ? std::optional(expected->geometry) : std::nullopt);
    }
    EXPECT_EQ(panelGeometry(L), (Rect{1580, 650, 340, 430}));
    EXPECT_EQ(panelGeometry(R), (Rect{2810, 554, 340, 430}));
    // Scaled down into a free area lower or narrower than the card, never up.
    EXPECT_EQ(panelGeometry({{0, 0, 683, 384}, {0, 0, 683, 344}}), (Rect{411, 0, 272, 344}));
    EXPECT_EQ(panelGeometry({{0, 0, 170, 900}, {0, 0, 170, 900}}), (Rect{0, 685, 170, 215}));
    EXPECT_EQ(panelGeometry({{0, 0, 0, 0}, {0, 0, 0, 0}}), (Rect{-340, -430, 340, 430}))
        << "a screen that tells no size gets the card as it is";
}

TEST(Overlay, BreaksOnTheScreenUnderThePointerOnceThePageCanDrawThem) {
    fake::FakeDesktop desk{0};
    auto& toolkit = desk.overlay;
    std::vector<PageFailure> failures;
    Overlay overlay{toolkit, [](PageEvent) {}, [&](PageFailure f) { failures.push_back(f); }};
    desk.screenList = {L, R};
    desk.pointer = {2500, 100};
    toolkit.loadSeconds.reset();
    overlay.prepare();
    auto& dim = *toolkit.panels.at(0);
    auto& panel = *toolkit.panels.at(1);
    const BreakPage cat{"cat", 20, 5}, frog{"frog", 45, 5};
    EXPECT_TRUE(overlay.show(cat, false) && overlay.show(frog, true));
    EXPECT_TRUE(toolkit.shown.empty());
    EXPECT_FALSE(panel.visible || dim.visible) << "nothing on screen before the page can draw";
    toolkit.web->onLoaded();
    toolkit.web->onLoaded(); // a later navigation finishing shows nothing again
    EXPECT_EQ(toolkit.shown, std::vector{frog});
    EXPECT_EQ(std::tuple(panel.geometry, dim.geometry), std::tuple(panelGeometry(R), R.geometry));
    EXPECT_TRUE(panel.visible && dim.visible && dim.opacity == 1.0 && dim.fades == 1);
    EXPECT_EQ(dim.fadedFrom, 0.0) << "the dimming fades in from clear";
    EXPECT_GT(panel.style.level, dim.style.level) << "the card above the dimming";
    EXPECT_TRUE(!panel.style.clickThrough && panel.style.blackAlpha == 0 &&
                dim.style.clickThrough && dim.style.blackAlpha > 0)
        << "clicks reach the card but pass the dimming, which alone is dark";
    overlay.hide();
    EXPECT_FALSE(panel.visible || dim.visible);
    EXPECT_EQ(dim.fades, 2) << "faded out";
    overlay.show(cat, true);
    overlay.show(cat, false);
    EXPECT_FALSE(dim.visible) << "no dimming removes an earlier one at once";
    desk.screenList.clear();
    overlay.hide();
    EXPECT_FALSE(overlay.show(cat, true) || panel.visible) << "no screen, no break";
    desk.screenList = {L};
    overlay.show(cat, true);
    toolkit.web->onFail(PageFailure::Outdated);
    overlay.prepare();
    EXPECT_EQ(failures, std::vector{PageFailure::Outdated});
    EXPECT_EQ(toolkit.webViewsMade, 1) << "no new page until a break asks for one";
    overlay.show(cat, true);
    EXPECT_TRUE(toolkit.webViewsMade == 2 && toolkit.panels.size() == 2);
    overlay.release();
    EXPECT_TRUE(!overlay.isPrepared() && toolkit.panels.empty());
}

constexpr double PREPARATION = 5, GRACE = 3;

// The break's panels and page exist only around breaks: made a preparation
// time ahead of one, dropped a grace time after it.
class PageLifetime : public test::AppTest {
  protected:
    PageLifetime() : AppTest(false) {
        desk.overlay.preparation = PREPARATION;
        desk.overlay.loadSeconds = 2;
        launch();
    }
    bool prepared() const { return desk.overlay.web != nullptr; }
    // Up to the next break: the page is made just in time and has loaded when it comes.
    void expectMadeAheadOfTheNextBreak() {
        const auto made = desk.overlay.webViewsMade;
        stayActive(secondsToNextBreak() - PREPARATION - 1);
        EXPECT_FALSE(prepared());
        stayActive(1);
        EXPECT_TRUE(prepared());
        const auto shown = breaksShown();
        stayActive(secondsToNextBreak());
        EXPECT_EQ(breaksShown(), shown + 1);
        EXPECT_EQ(desk.overlay.webViewsMade, made + 1);
    }
};

TEST_F(PageLifetime, MadeAheadOfEveryKindOfBreakAndDroppedAfterIt) {
    expectMadeAheadOfTheNextBreak();
    desk.overlay.post(PageEvent::Snoozed);
    desk.overlay.post(PageEvent::Closed);
    stayActive(GRACE - 1);
    EXPECT_TRUE(prepared()) << "kept for the grace time";
    stayActive(1);
    EXPECT_FALSE(prepared());
    expectMadeAheadOfTheNextBreak();               // the snooze's end
    desk.overlay.web->onFail(PageFailure::Broken); // the next break gets a new page
    app->togglePause();
    stayActive(3599);
    EXPECT_FALSE(prepared()) << "a pause's end starts a full interval";
    stayActive(1);
    expectMadeAheadOfTheNextBreak();
    desk.overlay.post(PageEvent::Closed);
    desk.onScreen = true; // Lumio's own menu: open until it closes
    desk.menu->menuOpened();
    EXPECT_TRUE(prepared()) << "the user may ask for a break";
    run(10);
    desk.onScreen = false;
    desk.menu->menuClosed(MenuDrawer::Desktop);
    run(GRACE - 1);
    EXPECT_TRUE(prepared());
    run(1);
    EXPECT_FALSE(prepared());
    // No page for a break that will not come.
    const std::vector<std::function<void()>> preventions{
        [&] { app->togglePause(); }, [&] { desk.session.onLock(); }, [&] { desk.touchedAgo(400); },
        [&] { app->toggleEnabled(); }};
    for (const auto& prevent : preventions) {
        desk.session.onUnlock();
        app->restart();
        stayActive(secondsToNextBreak() - PREPARATION);
        ASSERT_TRUE(prepared());
        prevent();
        run(1);
        EXPECT_FALSE(prepared());
        run(PREPARATION + 1);
        EXPECT_FALSE(prepared());
    }
    EXPECT_EQ(breaksShown(), 3u) << "none while the break will not come";
}
