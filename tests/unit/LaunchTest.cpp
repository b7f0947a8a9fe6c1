#include "AppHarness.h"

#include "app/Constants.h"
#include "app/SingleInstance.h"

using namespace lumio;
using lumio::test::AppTest;

namespace {

using Launch = AppTest;

TEST(Entry, ConstantsAndSingleInstanceThreshold) {
    EXPECT_EQ(SNOOZE_MIN, 5.0);
    EXPECT_EQ(IDLE_SECS, 300.0);
    const std::vector<std::string> ids{"cat", "dog", "bunny", "panda", "frog", "penguin"};
    for (std::size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(ANIMALS.at(i).id, ids[i]);
    EXPECT_FALSE(isSecondInstance(0));
    EXPECT_FALSE(isSecondInstance(1));
    EXPECT_TRUE(isSecondInstance(2));
    EXPECT_TRUE(isSecondInstance(3));
}

TEST_F(Launch, StepsRunInTheirFixedOrder) {
    launch();
    // The break's panels and page are made only ahead of a break.
    const fake::Journal expected{"makeStatusItem", "setMenu", "observeSystem", "setAppearsDisabled",
                                 "startTicker"};
    EXPECT_EQ(desk.journal, expected);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1200.0);
    EXPECT_FALSE(iconDimmed());
}

TEST_F(Launch, FirstRunWritesWelcomedAtOnceThenGreetsHalfASecondLater) {
    desk.store.values.clear();
    launch();
    EXPECT_EQ(desk.store.values.at("welcomed"), SettingValue{true});
    EXPECT_TRUE(desk.alerts.shown.empty());
    run(0.49);
    EXPECT_TRUE(desk.alerts.shown.empty());
    run(0.01);
    ASSERT_EQ(desk.alerts.shown.size(), 1u);
    const auto& alert = desk.alerts.shown[0];
    EXPECT_EQ(alert.iconName, "AppIcon");
    EXPECT_EQ(alert.message, "Lumio đã chạy rồi nè! 🐱");
    EXPECT_EQ(alert.informativeText,
              "Cứ 20 phút, một bạn thú sẽ nhảy ra góc màn hình nhắc bạn nhìn ra xa 20 giây.\n\n"
              "Mọi cài đặt nằm ở biểu tượng con mèo trên thanh menu (góc phải trên).");
    EXPECT_EQ(alert.buttons, (std::vector<std::string>{"Mở cùng máy tính", "Để sau"}));
    EXPECT_EQ(desk.application.activations, 1);
    EXPECT_TRUE(desk.loginItem.calls.empty()) << "\"Để sau\" leaves launch at login alone";

    run(3600);
    EXPECT_EQ(desk.alerts.shown.size(), 1u);
}

TEST_F(Launch, WelcomeTextUsesTheValuesWhenShown) {
    desk.store.values.clear();
    launch();
    desk.store.values["intervalMin"] = std::int64_t{45};
    desk.store.values["breakSec"] = std::int64_t{-3};
    desk.alerts.answer = ALERT_FIRST_BUTTON;
    run(1);
    ASSERT_EQ(desk.alerts.shown.size(), 1u);
    EXPECT_EQ(desk.alerts.shown[0].informativeText.substr(0, 100).find("Cứ 45 phút"), 0u);
    EXPECT_NE(desk.alerts.shown[0].informativeText.find("xa -3 giây"), std::string::npos);
    EXPECT_EQ(desk.loginItem.calls, std::vector<bool>{true}) << "the first button turns it on";
}

TEST_F(Launch, BreakNowSkipsTheWelcomeAndLeavesWelcomedAbsent) {
    desk.store.values.clear();
    launch({"lumio", "--break-now"});
    run(0.99);
    EXPECT_EQ(breaksShown(), 0u);
    run(0.01);
    EXPECT_EQ(breaksShown(), 1u);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1220.0);
    run(10);
    EXPECT_TRUE(desk.alerts.shown.empty());
    EXPECT_FALSE(desk.store.values.contains("welcomed"));
}

TEST_F(Launch, TogglePauseLaunchPausesASecondLaterWithoutWelcome) {
    desk.store.values.clear();
    launch({"lumio", "--toggle-pause"});
    run(0.99);
    EXPECT_FALSE(app->pausedUntilAt());
    run(0.01);
    EXPECT_DOUBLE_EQ(secondsTo(app->pausedUntilAt().value()), 3600.0);
    run(10);
    EXPECT_TRUE(desk.alerts.shown.empty());
}

TEST_F(Launch, ActionsByNameDoWhatTheirMenuItemsDo) {
    launch();
    const struct {
        const char* name;
        bool known;
        std::size_t breaks;
        bool paused;
        bool enabled;
        int terminations;
    } cases[] = {
        {"break-now", true, 1, false, true, 0},      {"toggle-pause", true, 1, true, true, 0},
        {"toggle-pause", true, 1, false, true, 0},   {"toggle-enabled", true, 1, false, false, 0},
        {"toggle-enabled", true, 1, false, true, 0}, {"quit", true, 1, false, true, 1},
        {"Quit", false, 1, false, true, 1},          {"", false, 1, false, true, 1},
    };
    for (const auto& c : cases) {
        const int changes = desk.statusBar.item->changes;
        EXPECT_EQ(app->activateAction(c.name), c.known) << c.name;
        EXPECT_EQ(breaksShown(), c.breaks) << c.name;
        EXPECT_EQ(app->pausedUntilAt().has_value(), c.paused) << c.name;
        EXPECT_EQ(app->preferences().enabled(), c.enabled) << c.name;
        EXPECT_EQ(desk.application.terminations, c.terminations) << c.name;
        EXPECT_EQ(desk.statusBar.item->changes > changes, c.known) << "menu refreshed: " << c.name;
    }
    app->activate();
    EXPECT_EQ(desk.statusBar.item->popUps, 1);
}

TEST_F(Launch, OnlyTheWholeArgumentCounts) {
    desk.store.values.clear();
    launch({"lumio", "--break-now=1", "x--break-now"});
    run(5);
    EXPECT_EQ(breaksShown(), 0u);
    EXPECT_EQ(desk.alerts.shown.size(), 1u);
}

TEST_F(Launch, BreakBeforeThePageLoadedWaitsForIt) {
    launch({"lumio", "--break-now"}, false);
    run(2);
    EXPECT_EQ(breaksShown(), 0u);
    EXPECT_EQ(stored("stat.shown"), 1) << "counted when shown, whatever the page does";
    desk.overlay.web->finishLoading();
    EXPECT_EQ(breaksShown(), 1u);
}

TEST_F(Launch, StartsDimmedWhenRemindersAreOff) {
    desk.store.values["enabled"] = false;
    launch();
    EXPECT_TRUE(iconDimmed());
    EXPECT_EQ(firstLine(), "Đang tắt nhắc nhở");
    EXPECT_FALSE(app->nextBreakAt().has_value());
}

TEST_F(Launch, PageMessagesReachTheAppUntilItIsGone) {
    desk.store.values["dim"] = false; // no fade left running once the App is gone
    launch({"lumio", "--break-now"});
    run(2);
    desk.overlay.web->post(std::string("done"));
    EXPECT_EQ(stored("stat.done"), 1);
    app.reset();
    desk.loop.runFor(5); // the ticker finds no App and does nothing
    SUCCEED();
}

} // namespace
