// Every scheduling rule once, through the App on the virtual clock.
#include "support/AppHarness.h"

using namespace lumio;

namespace {

using Scheduling = test::AppTest;

TEST_F(Scheduling, AnIntervalThenCyclesOfIntervalPlusBreakNeverUnderThirtySeconds) {
    const struct {
        std::int64_t interval, breakSec;
        double first, cycle;
    } rows[] = {{20, 20, 1200, 1220}, {0, 20, 30, 30}, {-50, 20, 30, 30}, {1, 0, 60, 60}};
    for (const auto& r : rows) {
        app->preferences().setIntervalMin(r.interval);
        app->preferences().setBreakSec(r.breakSec);
        app->restart();
        const auto shown = breaksShown();
        stayActive(r.first - 1);
        EXPECT_EQ(breaksShown(), shown) << r.interval;
        stayActive(1); // the tick lands exactly on the break: due
        EXPECT_EQ(breaksShown(), shown + 1) << r.interval;
        EXPECT_DOUBLE_EQ(secondsToNextBreak(), r.cycle) << r.interval;
    }
    EXPECT_EQ(stored("stat.shown"), 4);
    desk.store.values["intervalMin"] = std::int64_t{9223372036854775807};
    desk.store.values["breakSec"] = std::int64_t{9223372036854775807};
    app->restart();
    stayActive(5);
    EXPECT_EQ(breaksShown(), 4u) << "absurd settings neither overflow nor fire";
    EXPECT_GT(secondsToNextBreak(), 1e20);
}

TEST_F(Scheduling, AwayAfterFiveMinutesIdleBackUnderFiveSeconds) {
    run(299);
    EXPECT_FALSE(schedule().isAway());
    run(1);
    EXPECT_TRUE(schedule().isAway()) << "exactly 300 s idle";
    run(1200);
    EXPECT_EQ(breaksShown(), 0u) << "a due break is skipped while away";
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 920.0) << "due at 1200 s, moved on by a cycle";
    desk.idle.touchedAgo(4);
    run(1); // idle exactly 5 s at this tick
    EXPECT_TRUE(schedule().isAway());
    desk.idle.touchedAgo(3.5);
    run(1);
    EXPECT_FALSE(schedule().isAway());
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0) << "a full interval from the return";
    click("idle-reset");
    run(1200);
    EXPECT_FALSE(schedule().isAway()) << "idle reset off";
    EXPECT_EQ(breaksShown(), 1u);
}

TEST_F(Scheduling, ALockSkipsBreaksAndUnlockStartsAFullIntervalUnlessPausedOrOff) {
    session().onLock();
    stayActive(1300);
    EXPECT_EQ(breaksShown(), 0u);
    session().onUnlock();
    EXPECT_FALSE(schedule().isLocked());
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
    run(400);
    session().onUnlock(); // without a lock before it
    EXPECT_TRUE(schedule().isAway()) << "only the user's input ends away";
    app->togglePause();
    session().onUnlock();
    EXPECT_FALSE(schedule().nextBreakAt());
    app->toggleEnabled();
    session().onUnlock();
    EXPECT_FALSE(schedule().nextBreakAt());
}

TEST_F(Scheduling, WakeRestartsUnlessPausedAndAPauseEndsWithAFullInterval) {
    stayActive(600);
    session().onWake();
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
    app->togglePause();
    const auto until = schedule().pausedUntilAt();
    EXPECT_DOUBLE_EQ(secondsTo(until.value()), 3600.0);
    EXPECT_TRUE(desk.tray.paused);
    session().onWake();
    EXPECT_EQ(schedule().pausedUntilAt(), until);
    EXPECT_FALSE(schedule().nextBreakAt());
    run(3599);
    EXPECT_TRUE(paused());
    run(1);
    EXPECT_FALSE(paused() || desk.tray.paused);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
    app->toggleEnabled();
    session().onWake();
    EXPECT_FALSE(schedule().nextBreakAt());
    EXPECT_TRUE(desk.tray.paused) << "off looks paused";
}

TEST_F(Scheduling, AResumeRestartsTheCountdownOnceWhoeverNoticesItFirst) {
    const struct {
        double asleep;
        bool systemFirst; // else the first tick after the resume comes first
        double afterTick, afterLateWord;
    } rows[] = {{3600, false, 1200, 1195},
                {3600, true, 1199, 1200},
                {5, false, 594, 1200},
                {6, false, 1200, 1195}};
    for (const auto& r : rows) {
        app->restart();
        stayActive(600);
        desk.clock.suspend(r.asleep);
        if (r.systemFirst) session().onWake();
        stayActive(1);
        EXPECT_DOUBLE_EQ(secondsToNextBreak(), r.afterTick) << r.asleep;
        stayActive(5);
        session().onWake(); // the system's word for the resume the tick saw, if any
        EXPECT_DOUBLE_EQ(secondsToNextBreak(), r.afterLateWord) << r.asleep;
    }
    EXPECT_EQ(breaksShown(), 0u) << "no break the instant the lid opens";
}

TEST_F(Scheduling, SettingsChangedInTheFileTakeEffectAndTicksDoNothingWhileOff) {
    stayActive(100);
    const struct {
        const char* key;
        SettingValue value;
        std::optional<double> next;
    } rows[] = {{"dim", false, 1100},
                {"intervalMin", std::int64_t{30}, 1800},
                {"enabled", false, std::nullopt},
                {"enabled", true, 1800}};
    for (const auto& r : rows) {
        desk.store.values[r.key] = r.value;
        app->settingsChangedElsewhere();
        const auto next = schedule().nextBreakAt();
        EXPECT_EQ(next ? std::optional(secondsTo(*next)) : std::nullopt, r.next) << r.key;
        EXPECT_EQ(desk.tray.paused, !r.next) << r.key;
        EXPECT_EQ(item("enabled").checked, !!r.next) << r.key;
    }
    app->toggleEnabled();
    app->breakNow();
    app->handle("snooze"); // sets the next break although reminders are off
    run(1000);
    EXPECT_EQ(breaksShown(), 1u);
    app->toggleEnabled();
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1800.0);
}

TEST_F(Scheduling, ClockJumpsMoveTheBreak) {
    stayActive(100);
    desk.clock.jump(2000);
    stayActive(1);
    EXPECT_EQ(breaksShown(), 1u) << "forward past the break: due at the next tick";
    desk.clock.jump(-600);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1820.0);
}

TEST_F(Scheduling, PauseAndBreakNow) {
    app->togglePause();
    run(10);
    app->togglePause();
    EXPECT_FALSE(paused() || desk.tray.paused);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
    app->togglePause();
    desk.clock.jump(3600); // the pause's end has passed, no tick has run yet
    app->togglePause();
    EXPECT_DOUBLE_EQ(secondsTo(schedule().pausedUntilAt().value()), 3600.0) << "a new hour";
    app->breakNow();
    EXPECT_FALSE(paused() || desk.tray.paused);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1220.0);
    app->togglePause();
    app->toggleEnabled(); // switching off ends the pause
    EXPECT_FALSE(paused());
    app->breakNow();
    EXPECT_FALSE(schedule().nextBreakAt()) << "a break asked for while off schedules nothing";
    app->toggleEnabled();
    session().onLock();
    run(400);
    app->breakNow();
    EXPECT_EQ(breaksShown(), 3u) << "asked for: shown even away and locked";
    EXPECT_EQ(stored("stat.shown"), 3);
}

} // namespace
