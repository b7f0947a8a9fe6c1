#include "AppHarness.h"

using namespace lumio;
using lumio::test::AppTest;

namespace {

class Scheduler : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        launch();
    }
    void stayActive(double seconds) {
        for (int i = 0; i < static_cast<int>(seconds); ++i) {
            desk.idle.touch();
            run(1);
        }
    }
};

TEST_F(Scheduler, DefaultCycleIsTwentyMinutesThenTwentyMinutesTwentySeconds) {
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
    stayActive(1199);
    EXPECT_EQ(breaksShown(), 0u);
    desk.idle.touch();
    run(1); // the tick lands exactly on nextBreak: due
    ASSERT_EQ(breaksShown(), 1u);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1220.0);
    EXPECT_EQ(stored("stat.shown"), 1);
}

TEST_F(Scheduler, LeadNeverBelowThirtySeconds) {
    app->preferences().setIntervalMin(0);
    app->restart();
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 30.0);
    stayActive(30);
    ASSERT_EQ(breaksShown(), 1u);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 30.0) << "cycle of 0 min + 20 s is held at 30 s";

    app->preferences().setIntervalMin(-50);
    app->restart();
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 30.0);
}

TEST_F(Scheduler, AbsurdStoredIntervalsNeitherOverflowNorFire) {
    desk.store.values["intervalMin"] = std::int64_t{9223372036854775807};
    desk.store.values["breakSec"] = std::int64_t{9223372036854775807};
    app->restart();
    EXPECT_GT(secondsToNextBreak(), 1e20);
    stayActive(5);
    app->menuWillOpen();
    EXPECT_EQ(breaksShown(), 0u);
    EXPECT_EQ(firstLine(), "Lần nghỉ mắt tới: 153722867280912930:07");
}

TEST_F(Scheduler, IdleAtThresholdMakesAwayAndSkipsDueBreaks) {
    run(299); // no input since launch
    EXPECT_FALSE(app->isAway()) << "299 s idle";
    run(1);
    EXPECT_TRUE(app->isAway()) << "exactly 300 s idle counts as away";
    run(1200);
    EXPECT_EQ(breaksShown(), 0u) << "a due break is skipped while away";
    EXPECT_EQ(stored("stat.shown"), 0) << "and not counted";
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 920.0) << "due at 1200 s, moved on by a cycle";
}

TEST_F(Scheduler, ReturnNeedsIdleBelowFiveSeconds) {
    run(400);
    ASSERT_TRUE(app->isAway());
    desk.idle.touchedAgo(4);
    run(1); // idle exactly 5.0 at this tick
    EXPECT_TRUE(app->isAway());
    desk.idle.touchedAgo(3.5);
    run(1); // 4.5
    EXPECT_FALSE(app->isAway());
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0)
        << "a full interval from the return, not a cycle";
}

TEST_F(Scheduler, IdleResetOffKeepsShowingBreaksToAnAbsentUser) {
    click({"Rời máy ≥5 phút thì đếm lại"});
    EXPECT_FALSE(app->preferences().idleReset());
    run(1200);
    EXPECT_FALSE(app->isAway());
    EXPECT_EQ(breaksShown(), 1u);
}

TEST_F(Scheduler, LockedScreenSkipsBreaksAndUnlockStartsAFullInterval) {
    desk.events.lock();
    stayActive(1200);
    EXPECT_EQ(breaksShown(), 0u);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1220.0);
    stayActive(100);
    desk.events.unlock();
    EXPECT_FALSE(app->isLocked());
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
}

TEST_F(Scheduler, UnlockLeavesAwayAndRespectsPauseAndOff) {
    run(400);
    ASSERT_TRUE(app->isAway());
    desk.events.unlock(); // without a lock before it
    EXPECT_TRUE(app->isAway());
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);

    app->togglePause();
    desk.events.unlock();
    EXPECT_FALSE(app->nextBreakAt().has_value());

    app->toggleEnabled(); // off: ends the pause, clears nextBreak
    desk.events.unlock();
    EXPECT_FALSE(app->nextBreakAt().has_value());
}

TEST_F(Scheduler, WakeRestartsUnlessPaused) {
    stayActive(600);
    desk.events.wake();
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);

    app->togglePause();
    const auto pausedUntil = app->pausedUntilAt();
    desk.events.wake();
    EXPECT_EQ(app->pausedUntilAt(), pausedUntil);
    EXPECT_FALSE(app->nextBreakAt().has_value());

    run(3600); // the tick at the pause's end restarts the schedule
    EXPECT_FALSE(app->pausedUntilAt().has_value());
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
}

TEST_F(Scheduler, AResumeRestartsTheCountdownOnceWhoeverNoticesItFirst) {
    const struct {
        double asleep;
        bool systemSaysFirst; // else the first tick after the resume comes first
        bool restarts;
    } cases[] = {{3600, false, true}, {3600, true, true}, {3, false, false}};
    for (const auto& c : cases) {
        app->restart();
        stayActive(600);
        const auto shown = breaksShown();
        const auto before = app->nextBreakAt();
        desk.clock.suspend(c.asleep);
        if (c.systemSaysFirst) desk.events.wake();
        const auto afterWord = app->nextBreakAt();
        stayActive(1);
        EXPECT_EQ(breaksShown(), shown) << "no break the instant the lid opens";
        if (!c.restarts) {
            EXPECT_EQ(app->nextBreakAt(), before);
            continue;
        }
        EXPECT_NEAR(secondsToNextBreak(), 1199.0, 1.0);
        if (c.systemSaysFirst) {
            EXPECT_EQ(app->nextBreakAt(), afterWord) << "the tick does not restart it again";
        } else {
            const auto afterTick = app->nextBreakAt();
            stayActive(5);
            desk.events.wake(); // the system's late word for the same resume
            EXPECT_EQ(app->nextBreakAt(), afterTick);
        }
    }
}

TEST_F(Scheduler, WakeWithRemindersOffDimsTheIcon) {
    app->toggleEnabled();
    desk.events.wake();
    EXPECT_FALSE(app->nextBreakAt().has_value());
    EXPECT_TRUE(iconDimmed());
}

TEST_F(Scheduler, TicksDoNothingWhileOff) {
    app->toggleEnabled();
    app->breakNow();
    app->handle("snooze"); // sets nextBreak although reminders are off
    ASSERT_TRUE(app->nextBreakAt().has_value());
    run(1000);
    EXPECT_EQ(breaksShown(), 1u);
    app->toggleEnabled();
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
}

TEST_F(Scheduler, RemindersAndIntervalChangedInTheFileTakeEffect) {
    stayActive(100);
    desk.store.values["dim"] = false;
    app->settingsChangedElsewhere();
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1100.0) << "other settings leave the countdown alone";

    desk.store.values["intervalMin"] = std::int64_t{30};
    app->settingsChangedElsewhere();
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1800.0);

    desk.store.values["enabled"] = false;
    app->settingsChangedElsewhere();
    EXPECT_FALSE(app->nextBreakAt().has_value());
    EXPECT_TRUE(iconDimmed());

    desk.store.values["enabled"] = true;
    app->settingsChangedElsewhere();
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1800.0) << "switched back on: breaks come again";
    stayActive(1800);
    EXPECT_EQ(breaksShown(), 1u);
}

TEST_F(Scheduler, ClockJumpsMoveTheBreak) {
    stayActive(100);
    desk.clock.jump(2000);
    stayActive(1);
    EXPECT_EQ(breaksShown(), 1u) << "forward past nextBreak: due at the next tick";

    const double left = secondsToNextBreak();
    desk.clock.jump(-600);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), left + 600);
}

TEST_F(Scheduler, OpenMenuIsRefreshedByFullTicksOnly) {
    desk.statusBar.item->onScreen = true;
    app->menuWillOpen();
    const int before = desk.statusBar.item->changes;
    stayActive(3);
    EXPECT_EQ(desk.statusBar.item->changes, before + 3);
    EXPECT_EQ(firstLine(), "Lần nghỉ mắt tới: 19:57");

    click({"Tạm dừng 1 giờ"});
    const int paused = desk.statusBar.item->changes;
    stayActive(3);
    EXPECT_EQ(desk.statusBar.item->changes, paused) << "paused ticks stop early";

    desk.statusBar.item->onScreen = false;
    app->menuDidClose();
    click({"Tiếp tục nhắc"});
    const int closed = desk.statusBar.item->changes;
    stayActive(3);
    EXPECT_EQ(desk.statusBar.item->changes, closed);
}

// Some trays never report that their menu closed: a menu they show counts as
// open until three seconds pass without a sign of it; Lumio's own menu stays
// open until it closes.
TEST_F(Scheduler, TrayMenuLapsesWithoutSignsOfUse) {
    auto& item = *desk.statusBar.item;
    const auto refreshesOver = [&](double seconds) {
        const int before = item.changes;
        run(seconds);
        return item.changes - before;
    };
    run(0.5); // between ticks
    app->menuWillOpen();
    EXPECT_EQ(refreshesOver(60), 3) << "three ticks, then nothing";

    app->menuWillOpen();
    run(2);
    app->menuInUse(); // a submenu opened
    EXPECT_EQ(refreshesOver(60), 3) << "three ticks after the last sign";

    const int lapsed = item.changes;
    app->menuInUse();
    EXPECT_EQ(item.changes, lapsed + 1) << "a lapsed menu in use again is refreshed at once";
    EXPECT_EQ(refreshesOver(60), 3);

    item.onScreen = true;
    app->menuWillOpen();
    EXPECT_EQ(refreshesOver(60), 60) << "Lumio's own menu on screen";
    item.onScreen = false;
    app->menuDidClose();
    EXPECT_EQ(refreshesOver(60), 0);
}

TEST_F(Scheduler, TickerIsOneSecondWithTolerance) {
    EXPECT_EQ(desk.loop.tickers, 1);
    EXPECT_DOUBLE_EQ(desk.loop.tickerInterval, 1.0);
    EXPECT_DOUBLE_EQ(desk.loop.tickerTolerance, 0.3);
}

} // namespace
