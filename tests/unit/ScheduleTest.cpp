// Every scheduling rule once, through the App on the virtual clock.
#include "support/AppHarness.h"

using namespace lumio;

namespace {

class Scheduling : public test::AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        launch();
    }
    void lock() { desk.session.handlers.onLock(); }
    void unlock() { desk.session.handlers.onUnlock(); }
    void wake() { desk.session.handlers.onWake(); }
    bool scheduled() const { return schedule().nextBreakAt().has_value(); }
    bool paused() const { return schedule().pausedUntilAt().has_value(); }
};

TEST_F(Scheduling, AnIntervalThenCyclesOfIntervalPlusBreak) {
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
    stayActive(1199);
    EXPECT_EQ(breaksShown(), 0u);
    stayActive(1); // the tick lands exactly on the break: due
    ASSERT_EQ(breaksShown(), 1u);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1220.0);
    EXPECT_EQ(stored("stat.shown"), 1);
    EXPECT_FALSE(desk.tray.paused);
}

TEST_F(Scheduling, LeadsAreNeverBelowThirtySecondsNorOverflow) {
    const struct {
        std::int64_t interval, breakSec;
        double first, cycle;
    } rows[] = {{0, 20, 30, 30}, {-50, 20, 30, 30}, {0, 60, 30, 60}, {1, 0, 60, 60}};
    for (const auto& r : rows) {
        app->preferences().setIntervalMin(r.interval);
        app->preferences().setBreakSec(r.breakSec);
        app->restart();
        EXPECT_DOUBLE_EQ(secondsToNextBreak(), r.first) << r.interval;
        stayActive(r.first);
        EXPECT_DOUBLE_EQ(secondsToNextBreak(), r.cycle) << r.interval;
    }
    desk.store.values["intervalMin"] = std::int64_t{9223372036854775807};
    desk.store.values["breakSec"] = std::int64_t{9223372036854775807};
    app->restart();
    const auto shown = breaksShown();
    stayActive(5);
    EXPECT_EQ(breaksShown(), shown);
    desk.tray.listener->menuOpened();
    EXPECT_EQ(firstLine(), "Lần nghỉ mắt tới: 153722867280912930:07");
}

TEST_F(Scheduling, AwayFromFiveMinutesOfIdlenessBackUnderFiveSeconds) {
    run(299);
    EXPECT_FALSE(schedule().isAway());
    run(1);
    EXPECT_TRUE(schedule().isAway()) << "exactly 300 s idle counts as away";
    run(1200);
    EXPECT_EQ(breaksShown(), 0u) << "a due break is skipped while away";
    EXPECT_EQ(stored("stat.shown"), 0);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 920.0) << "due at 1200 s, moved on by a cycle";
    desk.idle.touchedAgo(4);
    run(1); // idle exactly 5.0 at this tick
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

TEST_F(Scheduling, ALockedScreenSkipsBreaksAndUnlockStartsAFullInterval) {
    lock();
    stayActive(1200);
    EXPECT_EQ(breaksShown(), 0u);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1220.0);
    stayActive(100);
    unlock();
    EXPECT_FALSE(schedule().isLocked());
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);

    run(400);
    ASSERT_TRUE(schedule().isAway());
    unlock(); // without a lock before it
    EXPECT_TRUE(schedule().isAway()) << "only the user's input ends away";
    app->togglePause();
    unlock();
    EXPECT_FALSE(scheduled()) << "a pause holds";
    app->toggleEnabled();
    unlock();
    EXPECT_FALSE(scheduled()) << "reminders off";
}

TEST_F(Scheduling, WakeRestartsUnlessPausedAndAPauseEndsWithAFullInterval) {
    stayActive(600);
    wake();
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
    app->togglePause();
    const auto until = schedule().pausedUntilAt();
    EXPECT_TRUE(desk.tray.paused);
    wake();
    EXPECT_EQ(schedule().pausedUntilAt(), until);
    EXPECT_FALSE(scheduled());
    run(3599);
    EXPECT_TRUE(paused());
    run(1);
    EXPECT_FALSE(paused());
    EXPECT_FALSE(desk.tray.paused);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);

    app->toggleEnabled();
    wake();
    EXPECT_FALSE(scheduled());
    EXPECT_TRUE(desk.tray.paused) << "off looks paused";
}

TEST_F(Scheduling, AResumeRestartsTheCountdownOnceWhoeverNoticesItFirst) {
    const struct {
        double asleep;
        bool systemSaysFirst; // else the first tick after the resume comes first
        bool restarts;
    } rows[] = {{3600, false, true}, {3600, true, true}, {5, false, false}, {6, false, true}};
    for (const auto& r : rows) {
        app->restart();
        stayActive(600);
        const auto before = schedule().nextBreakAt();
        desk.clock.suspend(r.asleep);
        if (r.systemSaysFirst) wake();
        const auto afterWord = schedule().nextBreakAt();
        stayActive(1);
        EXPECT_EQ(breaksShown(), 0u) << "no break the instant the lid opens";
        if (!r.restarts) {
            EXPECT_EQ(schedule().nextBreakAt(), before) << r.asleep;
            continue;
        }
        EXPECT_DOUBLE_EQ(secondsToNextBreak(), r.systemSaysFirst ? 1199.0 : 1200.0) << r.asleep;
        if (r.systemSaysFirst) {
            EXPECT_EQ(schedule().nextBreakAt(), afterWord) << "the tick does not restart it again";
        } else {
            const auto afterTick = schedule().nextBreakAt();
            stayActive(5);
            wake(); // the system's late word for the same resume
            EXPECT_EQ(schedule().nextBreakAt(), afterTick);
        }
    }
}

TEST_F(Scheduling, TicksDoNothingWhileOff) {
    app->toggleEnabled();
    app->breakNow();
    app->handle("snooze"); // sets the next break although reminders are off
    ASSERT_TRUE(scheduled());
    run(1000);
    EXPECT_EQ(breaksShown(), 1u);
    app->toggleEnabled();
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
}

TEST_F(Scheduling, RemindersAndIntervalChangedInTheFileTakeEffect) {
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
        EXPECT_EQ(scheduled() ? std::optional(secondsToNextBreak()) : std::nullopt, r.next)
            << r.key;
        EXPECT_EQ(desk.tray.paused, !r.next) << r.key;
        EXPECT_EQ(item("enabled").checked, !!r.next) << r.key;
    }
    stayActive(1800);
    EXPECT_EQ(breaksShown(), 1u);
}

TEST_F(Scheduling, ClockJumpsMoveTheBreak) {
    stayActive(100);
    desk.clock.jump(2000);
    stayActive(1);
    EXPECT_EQ(breaksShown(), 1u) << "forward past the break: due at the next tick";
    const double left = secondsToNextBreak();
    desk.clock.jump(-600);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), left + 600);
}

TEST_F(Scheduling, PauseAndBreakNow) {
    app->togglePause();
    EXPECT_FALSE(scheduled());
    EXPECT_DOUBLE_EQ(secondsTo(schedule().pausedUntilAt().value()), 3600.0);
    run(10);
    app->togglePause();
    EXPECT_FALSE(paused());
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
    EXPECT_FALSE(desk.tray.paused);

    app->togglePause();
    desk.clock.jump(3600); // the pause's end has passed, no tick has run yet
    app->togglePause();
    EXPECT_DOUBLE_EQ(secondsTo(schedule().pausedUntilAt().value()), 3600.0) << "a new hour";

    app->breakNow();
    EXPECT_FALSE(paused());
    EXPECT_FALSE(desk.tray.paused);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1220.0);

    app->togglePause();
    app->toggleEnabled(); // switching off ends the pause
    EXPECT_FALSE(paused());
    app->breakNow();
    EXPECT_FALSE(scheduled()) << "a break asked for while off schedules nothing";
    app->toggleEnabled();

    lock();
    run(400);
    app->breakNow();
    EXPECT_EQ(breaksShown(), 3u) << "asked for: shown even away and locked";
    EXPECT_EQ(stored("stat.shown"), 3);
}

} // namespace
