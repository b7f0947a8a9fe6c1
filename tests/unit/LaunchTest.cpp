#include "support/AppHarness.h"

#include <tuple>

using namespace lumio;

class Launch : public test::AppTest {
  protected:
    Launch() : AppTest(false) { desk.values.clear(); }
};

TEST_F(Launch, TheFirstRunIsWelcomedHalfASecondLaterAndOnce) {
    for (const std::optional<std::size_t> answer : {std::optional<std::size_t>{0}, {1}, {}}) {
        desk.values = {{"intervalMin", std::int64_t{45}}, {"breakSec", std::int64_t{-3}}};
        desk.answer = answer;
        desk.installed = false;
        launch();
        EXPECT_EQ(desk.icon, "menubar");
        EXPECT_EQ(desk.values.at("welcomed"), SettingValue{true});
        run(0.49);
        EXPECT_TRUE(desk.dialogs.empty());
        run(0.01);
        EXPECT_EQ(std::tuple(desk.dialogs.size(), desk.installed), std::tuple(1u, answer == 0u));
        EXPECT_EQ(desk.dialogs[0].informativeText,
                  "Cứ 45 phút, một bạn thú sẽ nhảy ra góc màn hình nhắc bạn nhìn ra xa -3 giây.\n\n"
                  "Mọi cài đặt nằm ở biểu tượng con mèo trên thanh menu (góc phải trên).");
        desk.dialogs.clear();
    }
    launch();
    run(3600);
    EXPECT_TRUE(desk.dialogs.empty()) << "welcomed once";
}

TEST_F(Launch, AnActionAskedForIsDoneASecondLaterWithoutTheWelcome) {
    using Row = std::tuple<const char*, std::size_t, bool>; // option, breaks, paused
    for (const auto& [option, breaks, pauses] :
         {Row{"--break-now", 1, false}, Row{"--toggle-pause", 0, true},
          Row{"x--break-now", 0, false}}) {
        desk.values.clear();
        desk.overlay.shown.clear();
        launch({"lumio", option, "--break-now=1"});
        run(0.99);
        EXPECT_EQ(breaksShown() + paused(), 0u);
        run(0.01);
        EXPECT_EQ(std::tuple(breaksShown(), paused()), std::tuple(breaks, pauses)) << option;
        EXPECT_EQ(desk.values.contains("welcomed"), !breaks && !pauses) << option;
    }
}

TEST_F(Launch, ActionsByNameDoWhatTheirMenuItemsDo) {
    launch();
    using Row = std::tuple<const char*, bool, bool, bool>; // name, known, paused, enabled
    for (const auto& [name, known, pausedNow, enabled] :
         {Row{"break-now", true, false, true}, Row{"toggle-pause", true, true, true},
          Row{"toggle-enabled", true, false, false}, Row{"Quit", false, false, false},
          Row{"toggle-enabled", true, false, true}, Row{"quit", true, false, true}}) {
        const int changes = desk.menuChanges;
        EXPECT_EQ(app->activateAction(name), known) << name;
        EXPECT_EQ(std::tuple(paused(), prefs.enabled()), std::tuple(pausedNow, enabled)) << name;
        EXPECT_EQ(desk.menuChanges > changes, known) << "menu refreshed: " << name;
    }
    EXPECT_EQ(std::tuple(breaksShown(), desk.quits), std::tuple(1u, 1));
    app->activate();
    EXPECT_EQ(desk.popUps, 1);
    desk.menu->menuOpened();
    app.reset();
    run(5); // neither the ticker nor the menu's lapse finds the App
}

// An upgrade under the running program: its next helper is outdated.
TEST_F(Launch, AnOutdatedHelperHandsOverToTheNewInstallBetweenBreaksCarryingTheCountdown) {
    launch();
    const auto outdated = [&] { desk.overlay.web->onFail(PageFailure::Outdated); };
    // The menu has the page made, so a helper is started and found outdated.
    const auto outdatedAtTheMenu = [&] {
        desk.menu->menuOpened();
        outdated();
        desk.menu->menuClosed(MenuDrawer::Desktop);
        run(1);
    };
    const auto relaunch = [&] {
        auto args = desk.relaunchedWith.value();
        args.insert(args.begin(), "lumio");
        desk.relaunchedWith.reset();
        launch(args);
    };
    desk.menu->menuOpened();
    outdated(); // a helper from a build that was not replaced: nothing to hand over to
    run(5);
    EXPECT_FALSE(desk.relaunchedWith);
    desk.replaced = true;
    app->breakNow(); // its helper is found outdated as it shows the break
    outdated();
    desk.onScreen = true;
    app->breakNow();      // asked for again: left to the new copy, not counted twice
    desk.touchedAgo(400); // the desktop's word on idleness, while the hand-over waits
    run(5);
    desk.touchedAgo(0);
    EXPECT_FALSE(desk.relaunchedWith) << "never under the user's hands";
    desk.onScreen = false;
    desk.menu->menuClosed(MenuDrawer::Desktop);
    run(1);
    ASSERT_TRUE(desk.relaunchedWith);
    EXPECT_EQ(desk.quits, 1);
    // The break that could not be shown comes at once from the new copy.
    desk.overlay.shown.clear();
    relaunch();
    run(1);
    EXPECT_EQ(breaksShown(), 1u);
    EXPECT_EQ(stored("stat.shown"), 2) << "the one that failed, and the one shown";
    desk.overlay.post(PageEvent::Closed);
    // Between breaks the countdown goes on in the new copy, and so does a pause.
    run(100);
    outdatedAtTheMenu();
    relaunch();
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1220 - 101);
    app->togglePause();
    outdatedAtTheMenu();
    relaunch();
    EXPECT_DOUBLE_EQ(secondsTo(schedule().pausedUntilAt().value()), 3599);
    EXPECT_FALSE(schedule().nextBreakAt());
    // A countdown carried from further ahead than a full interval is not taken up.
    launch({"lumio", "--resume-next-break=" + std::to_string(test::T0 + 99999)});
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200);
}
