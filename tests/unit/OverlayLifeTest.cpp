#include "AppHarness.h"

using namespace lumio;
using lumio::test::AppTest;

namespace {

constexpr double PREPARATION = 5;
constexpr double LOAD = 2;
constexpr double GRACE = 3;

// The break's panels and page exist only around breaks: made a preparation
// time ahead of one, dropped a grace time after it.
class OverlayLife : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        desk.overlay.preparation = PREPARATION;
        desk.overlay.loadSeconds = LOAD;
        launch();
    }
    void stayActive(double seconds) {
        for (int i = 0; i < static_cast<int>(seconds); ++i) {
            desk.idle.touch();
            run(1);
        }
    }
    bool prepared() const { return app->breakOverlay()->isPrepared(); }
    // Runs up to the next break, checking that the page is made just in time
    // and has loaded when the break comes.
    void expectMadeAheadOfTheNextBreak() {
        const auto made = desk.overlay.webViewsMade;
        stayActive(secondsToNextBreak() - PREPARATION - 1);
        EXPECT_FALSE(prepared());
        stayActive(1);
        EXPECT_TRUE(prepared());
        const auto shown = breaksShown();
        stayActive(secondsToNextBreak());
        EXPECT_EQ(breaksShown(), shown + 1) << "the page had loaded when the break came";
        EXPECT_EQ(desk.overlay.webViewsMade, made + 1);
    }
    void answer(const char* outcome) {
        desk.overlay.web->post(std::string(outcome));
        desk.overlay.web->post(std::string("closed"));
    }
};

TEST_F(OverlayLife, MadeAheadOfEveryKindOfBreakAndDroppedAfterIt) {
    EXPECT_FALSE(prepared()) << "nothing made at launch";
    expectMadeAheadOfTheNextBreak(); // scheduled
    answer("snooze");
    stayActive(GRACE - 1);
    EXPECT_TRUE(prepared()) << "kept for the grace time";
    stayActive(1);
    EXPECT_FALSE(prepared());
    expectMadeAheadOfTheNextBreak(); // the snooze's end
    answer("done");

    app->togglePause();
    stayActive(3600);
    EXPECT_FALSE(prepared()) << "a pause's end starts a full interval";
    expectMadeAheadOfTheNextBreak(); // an interval after the pause
}

TEST_F(OverlayLife, NotMadeOrDroppedAtOnceWhenTheBreakWillNotCome) {
    struct Case {
        const char* name;
        std::function<void()> prevent;
    };
    const std::vector<Case> cases{
        {"paused", [&] { app->togglePause(); }},
        {"locked", [&] { desk.events.lock(); }},
        {"away", [&] { desk.idle.touchedAgo(400); }},
        {"reminders off", [&] { app->toggleEnabled(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        app->restart();
        desk.events.unlock();
        app->restart();
        stayActive(secondsToNextBreak() - PREPARATION);
        ASSERT_TRUE(prepared());
        c.prevent();
        run(1);
        EXPECT_FALSE(prepared());
        run(PREPARATION + 1);
        EXPECT_FALSE(prepared());
    }
    EXPECT_EQ(breaksShown(), 0u);
}

TEST_F(OverlayLife, MadeAsTheMenuOpensAndDroppedAGraceTimeAfterItCloses) {
    desk.statusBar.item->onScreen = true; // Lumio's own menu: open until it closes
    app->menuWillOpen();
    EXPECT_TRUE(prepared());
    run(10);
    desk.statusBar.item->onScreen = false;
    app->menuDidClose();
    run(GRACE - 1);
    EXPECT_TRUE(prepared());
    run(2);
    EXPECT_FALSE(prepared());
}

TEST_F(OverlayLife, AFailedPageCountsItsBreakAndTheNextBreakGetsANewOne) {
    stayActive(secondsToNextBreak());
    ASSERT_EQ(breaksShown(), 1u);
    desk.overlay.web->fail();
    stayActive(GRACE + 1);
    EXPECT_FALSE(prepared());
    EXPECT_EQ(stored("stat.shown"), 1);
    expectMadeAheadOfTheNextBreak();
}

} // namespace
