// Every scheduling rule once, through the App on the virtual clock.
#include "support/AppHarness.h"

#include <array>
#include <tuple>

using namespace lumio;
using Scheduling = test::AppTest;

TEST_F(Scheduling, AnIntervalThenCyclesOfIntervalPlusBreakNeverUnderThirtySeconds) {
    const std::vector<std::array<int, 4>> rows{
        {20, 20, 1200, 1220}, {0, 20, 30, 30}, {-50, 20, 30, 30}, {1, 0, 60, 60}};
    std::size_t shown = 0;
    for (const auto& [interval, breakSec, first, cycle] : rows) {
        prefs.setIntervalMin(interval);
        prefs.setBreakSec(breakSec);
        app->restart();
        stayActive(first - 1);
        EXPECT_EQ(breaksShown(), shown) << interval;
        stayActive(1); // the tick lands exactly on the break: due
        EXPECT_EQ(breaksShown(), ++shown) << interval;
        EXPECT_DOUBLE_EQ(secondsToNextBreak(), cycle) << interval;
    }
    desk.clock.jump(2000);
    stayActive(1);
    EXPECT_EQ(breaksShown(), shown + 1) << "a clock set past the break: due at the next tick";
    desk.clock.jump(-600);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 659) << "set back: the break moves away";
}

TEST_F(Scheduling, AwayAfterFiveMinutesIdleBackUnderFiveSecondsUnlessIdleResetIsOff) {
    EXPECT_EQ(desk.idleThreshold, 300.0) << "the desktop is told what to watch for";
    // A desktop that tells crossings, then one that is asked.
    for (const bool told : {true, false}) {
        desk.touchedAgo(0);
        desk.crossingsTold = told;
        app->restart();
        run(299);
        EXPECT_FALSE(schedule().isAway()) << told;
        run(1);
        EXPECT_TRUE(schedule().isAway()) << told << ": 300 s idle";
        run(1200);
        EXPECT_EQ(breaksShown(), 0u) << "a due break is skipped while away";
        EXPECT_DOUBLE_EQ(secondsToNextBreak(), 920.0) << "due at 1200 s, moved on by a cycle";
    }
    // Asked every two seconds while away, from 300 s on: this question finds exactly 5 s.
    desk.touchedAgo(3);
    run(2);
    EXPECT_TRUE(schedule().isAway());
    desk.touchedAgo(1.5);
    run(2);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0) << "a full interval from the return";
    desk.crossingsTold = true;
    click("idle-reset");
    run(1200);
    EXPECT_EQ(breaksShown(), 1u);
}

// Between breaks the program sleeps until the instant something is due; the
// desktop's idle time is asked for only when it could matter.
TEST_F(Scheduling, StepsComeOnlyWhenSomethingIsDue) {
    struct Row {
        const char* what;
        std::function<void()> make;
        std::optional<double> next; // seconds from now to the next step
    };
    const auto polled = [&] { desk.crossingsTold = false; };
    const std::vector<Row> rows{
        {"counting", [] {}, 1199},
        {"paused", [&] { app->togglePause(); }, 3600},
        {"off", [&] { app->toggleEnabled(); }, std::nullopt},
        {"menu open, on the countdown's seconds", [&] { run(0.25), desk.menu->menuOpened(); },
         0.75},
        {"asked, the user active", [&] { polled(), desk.touchedAgo(0), run(10); }, 290},
        {"asked, the user idle for 100 s", [&] { polled(), desk.touchedAgo(100), run(10); }, 190},
        {"asked, idle-reset off", [&] { polled(), click("idle-reset"), run(0); }, 1199},
        {"asked, away", [&] { polled(), desk.touchedAgo(300), run(0); }, 2},
        {"the clock set back", [&] { desk.clock.jump(-600), run(0); }, 1799},
        {"a page made ahead of the break", [&] { desk.overlay.preparation = 5; }, 1194},
    };
    for (const auto& [what, make, next] : rows) {
        desk.crossingsTold = true;
        desk.overlay.preparation = 0;
        if (!prefs.enabled()) app->toggleEnabled();
        if (!prefs.idleReset()) prefs.setIdleReset(true);
        desk.touchedAgo(0);
        desk.menu->menuClosed(MenuDrawer::TrayHost);
        app->restart();
        run(1); // the step the restart asked for, if any
        make();
        const auto at = desk.wakeAt();
        EXPECT_EQ(at.has_value(), next.has_value()) << what;
        if (at && next) {
            EXPECT_NEAR(*at - desk.clock.mono, *next, 1e-6) << what;
        }
    }
    // Twenty minutes of a user at work on a desktop that tells crossings: one
    // step for the break, and no question about idleness before it.
    desk.crossingsTold = true;
    desk.overlay.preparation = 0;
    desk.touchedAgo(0);
    app->restart();
    run(1);
    const int steps = desk.steps, questions = desk.idleQuestions;
    stayActive(1198);
    EXPECT_EQ(desk.steps - steps, 0);
    stayActive(1);
    EXPECT_EQ(std::pair(desk.steps - steps, desk.idleQuestions - questions), std::pair(1, 1));
    EXPECT_EQ(breaksShown(), 1u);
    desk.overlay.post(PageEvent::Closed);
    app->togglePause();
    run(3600);
    EXPECT_EQ(desk.idleQuestions - questions, 1) << "a pause and its end ask nothing";
}

TEST_F(Scheduling, ALockSkipsBreaksAndUnlockStartsAFullIntervalUnlessPausedOrOff) {
    desk.session.onLock();
    stayActive(1300);
    EXPECT_EQ(breaksShown(), 0u);
    desk.session.onUnlock();
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
    run(400);
    desk.session.onUnlock(); // without a lock before it
    EXPECT_TRUE(schedule().isAway()) << "only the user's input ends away";
    for (const auto toggle : {&App::togglePause, &App::toggleEnabled}) {
        (app.get()->*toggle)();
        desk.session.onUnlock();
        EXPECT_FALSE(schedule().nextBreakAt());
    }
}

TEST_F(Scheduling, AResumeRestartsTheCountdownOnceWhoeverNoticesItUnlessPaused) {
    // Asleep, the system says so first, the seconds left a second later and 5 s after that.
    // The timers see the wall clock move and tick at once.
    const std::vector<std::array<int, 4>> rows{
        {3600, 0, 1199, 1194}, {3600, 1, 1199, 1200}, {5, 0, 594, 1200}, {6, 0, 1199, 1194}};
    for (const auto& [asleep, systemFirst, afterTick, afterWord] : rows) {
        app->restart();
        stayActive(600);
        desk.clock.jump(asleep, true);
        if (systemFirst) desk.session.onWake();
        stayActive(1);
        EXPECT_DOUBLE_EQ(secondsToNextBreak(), afterTick) << asleep;
        stayActive(5);
        desk.session.onWake();
        EXPECT_DOUBLE_EQ(secondsToNextBreak(), afterWord) << asleep;
    }
    EXPECT_EQ(breaksShown(), 0u) << "no break the instant the lid opens";
    app->togglePause();
    desk.clock.jump(60, true);
    desk.session.onWake();
    EXPECT_TRUE(paused() && !schedule().nextBreakAt() && desk.paused);
    run(3539);
    EXPECT_TRUE(paused());
    run(1);
    EXPECT_FALSE(paused() || desk.paused) << "the pause's end starts a full interval";
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
    app->togglePause();
    desk.clock.jump(3600, true); // past the pause's end, before any tick
    desk.session.onWake();
    EXPECT_FALSE(paused() || desk.paused);
}

TEST_F(Scheduling, SettingsChangedInTheFileTakeEffectAndTicksDoNothingWhileOff) {
    stayActive(100);
    using Row = std::tuple<const char*, SettingValue, double>;
    for (const auto& [key, value, next] :
         {Row{"dim", false, 1100}, Row{"intervalMin", std::int64_t{30}, 1800},
          Row{"enabled", false, 0}, Row{"enabled", true, 1800}}) {
        desk.values[key] = value;
        app->settingsChangedElsewhere();
        const auto at = schedule().nextBreakAt();
        EXPECT_DOUBLE_EQ(at ? secondsTo(*at) : 0, next) << key;
        EXPECT_EQ(std::pair(desk.paused, item("enabled").checked), std::pair(!next, next != 0))
            << key;
    }
    app->toggleEnabled();
    EXPECT_TRUE(desk.paused) << "off looks paused";
    desk.session.onWake();
    app->breakNow();
    desk.overlay.post(PageEvent::Snoozed); // sets the next break although reminders are off
    run(1000);
    EXPECT_EQ(breaksShown(), 1u);
    app->toggleEnabled();
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1800.0);
}

TEST_F(Scheduling, PauseAndBreakNow) {
    app->togglePause();
    run(10);
    app->togglePause();
    EXPECT_FALSE(paused() || desk.paused);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
    app->togglePause();
    desk.clock.jump(3600); // the pause's end has passed, no tick has run yet
    app->togglePause();
    EXPECT_DOUBLE_EQ(secondsTo(schedule().pausedUntilAt().value()), 3600.0) << "a new hour";
    app->breakNow();
    EXPECT_FALSE(paused() || desk.paused);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1220.0);
    app->togglePause();
    app->toggleEnabled(); // switching off ends the pause
    app->breakNow();
    EXPECT_FALSE(paused() || schedule().nextBreakAt()) << "asked for while off: nothing next";
}
