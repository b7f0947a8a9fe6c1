#include "support/AppHarness.h"

using namespace lumio;

namespace {

constexpr double PREPARATION = 5, GRACE = 3;

// The break's panels and page exist only around breaks: made a preparation
// time ahead of one, dropped a grace time after it.
class OverlayLife : public test::AppTest {
  protected:
    OverlayLife() : AppTest(false) {
        desk.overlay.preparation = PREPARATION;
        desk.overlay.loadSeconds = 2;
        launch();
    }
    bool prepared() const { return app->breakOverlay().isPrepared(); }
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

TEST_F(OverlayLife, MadeAheadOfEveryKindOfBreakAndDroppedAfterIt) {
    EXPECT_FALSE(prepared()) << "nothing made at launch";
    expectMadeAheadOfTheNextBreak();
    desk.overlay.post("snooze");
    desk.overlay.post("closed");
    stayActive(GRACE - 1);
    EXPECT_TRUE(prepared()) << "kept for the grace time";
    stayActive(1);
    EXPECT_FALSE(prepared());
    expectMadeAheadOfTheNextBreak(); // the snooze's end
    desk.overlay.web->onFail();      // the next break gets a new page
    app->togglePause();
    stayActive(3600);
    EXPECT_FALSE(prepared()) << "a pause's end starts a full interval";
    expectMadeAheadOfTheNextBreak();
    desk.overlay.post("closed");
    desk.onScreen = true; // Lumio's own menu: open until it closes
    desk.menu->menuOpened();
    EXPECT_TRUE(prepared()) << "the user may ask for a break";
    run(10);
    desk.onScreen = false;
    desk.menu->menuClosed();
    run(GRACE - 1);
    EXPECT_TRUE(prepared());
    run(1);
    EXPECT_FALSE(prepared());
    desk.menu->menuOpened();
    desk.menu->menuClosed();
    desk.clock.jump(-100);
    run(1);
    EXPECT_FALSE(prepared()) << "a clock set back does not stretch the grace";
}

TEST_F(OverlayLife, NotMadeOrDroppedAtOnceWhenTheBreakWillNotCome) {
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
    EXPECT_EQ(breaksShown(), 0u);
}

} // namespace
