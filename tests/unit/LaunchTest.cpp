#include "app/SingleInstance.h"
#include "support/AppHarness.h"

using namespace lumio;

namespace {

using Launch = test::AppTest;

TEST(Entry, ASecondCopyStepsAside) {
    EXPECT_FALSE(isSecondInstance(1));
    EXPECT_TRUE(isSecondInstance(2));
}

TEST_F(Launch, TheFirstRunIsWelcomedHalfASecondLater) {
    const struct {
        std::optional<std::size_t> answer;
        bool installs;
    } rows[] = {{0, true}, {1, false}, {std::nullopt, false}};
    for (const auto& r : rows) {
        desk.store.values.clear();
        desk.dialogs = {};
        desk.dialogs.answer = r.answer;
        desk.autostart.installed = false;
        launch();
        EXPECT_EQ(desk.store.values.at("welcomed"), SettingValue{true});
        desk.store.values["intervalMin"] = std::int64_t{45};
        run(0.49);
        EXPECT_TRUE(desk.dialogs.shown.empty());
        run(0.01);
        ASSERT_EQ(desk.dialogs.shown.size(), 1u);
        EXPECT_EQ(desk.autostart.installed, r.installs);
    }
    const auto& dialog = desk.dialogs.shown[0];
    EXPECT_EQ(dialog.iconName, "AppIcon");
    EXPECT_EQ(dialog.text, "Lumio đã chạy rồi nè! 🐱");
    EXPECT_EQ(dialog.informativeText,
              "Cứ 45 phút, một bạn thú sẽ nhảy ra góc màn hình nhắc bạn nhìn ra xa 20 giây.\n\n"
              "Mọi cài đặt nằm ở biểu tượng con mèo trên thanh menu (góc phải trên).");
    EXPECT_EQ(dialog.buttons, (std::vector<std::string>{"Mở cùng máy tính", "Để sau"}));
    launch();
    run(3600);
    EXPECT_EQ(desk.dialogs.shown.size(), 1u) << "welcomed once";
}

TEST_F(Launch, AnActionAskedForIsDoneASecondLaterWithoutTheWelcome) {
    const struct {
        const char* option;
        std::size_t breaks;
        bool paused;
    } rows[] = {{"--break-now", 1, false}, {"--toggle-pause", 0, true}, {"x--break-now", 0, false}};
    for (const auto& r : rows) {
        desk.store.values.clear();
        desk.overlay.scripts.clear();
        launch({"lumio", r.option, "--break-now=1"});
        run(0.99);
        EXPECT_EQ(breaksShown() + schedule().pausedUntilAt().has_value(), 0u);
        run(0.01);
        EXPECT_EQ(breaksShown(), r.breaks) << r.option;
        EXPECT_EQ(schedule().pausedUntilAt().has_value(), r.paused) << r.option;
        EXPECT_EQ(desk.store.values.contains("welcomed"), !r.breaks && !r.paused) << r.option;
        app.reset();
    }
}

TEST_F(Launch, ActionsByNameDoWhatTheirMenuItemsDo) {
    launch();
    const struct {
        const char* name;
        bool known, paused, enabled;
        int quits;
    } rows[] = {
        {"break-now", true, false, true, 0},      {"toggle-pause", true, true, true, 0},
        {"toggle-pause", true, false, true, 0},   {"toggle-enabled", true, false, false, 0},
        {"toggle-enabled", true, false, true, 0}, {"quit", true, false, true, 1},
        {"Quit", false, false, true, 1},          {"", false, false, true, 1},
    };
    for (const auto& r : rows) {
        const int changes = desk.tray.changes;
        EXPECT_EQ(app->activateAction(r.name), r.known) << r.name;
        EXPECT_EQ(schedule().pausedUntilAt().has_value(), r.paused) << r.name;
        EXPECT_EQ(app->preferences().enabled(), r.enabled) << r.name;
        EXPECT_EQ(desk.loop.quits, r.quits) << r.name;
        EXPECT_EQ(desk.tray.changes > changes, r.known) << "menu refreshed: " << r.name;
    }
    EXPECT_EQ(breaksShown(), 1u);
    app->activate();
    EXPECT_EQ(desk.tray.popUps, 1);
}

TEST_F(Launch, ABreakBeforeThePageLoadedWaitsForIt) {
    desk.overlay.loadSeconds.reset();
    launch({"lumio", "--break-now"});
    run(2);
    EXPECT_EQ(breaksShown(), 0u);
    EXPECT_EQ(stored("stat.shown"), 1) << "counted when shown, whatever the page does";
    desk.overlay.web->onLoaded();
    EXPECT_EQ(breaksShown(), 1u);
}

TEST_F(Launch, RemindersOffStartsDimmed) {
    desk.store.values["enabled"] = false;
    launch();
    EXPECT_TRUE(desk.tray.paused);
    EXPECT_FALSE(schedule().nextBreakAt().has_value());
}

TEST_F(Launch, NothingRunsOnceTheAppIsGone) {
    desk.store.values["dim"] = false; // no fade left running once the App is gone
    launch({"lumio", "--break-now"});
    run(2);
    desk.overlay.post("done");
    EXPECT_EQ(stored("stat.done"), 1);
    desk.tray.listener->menuOpened();
    app.reset();
    run(5); // neither the ticker nor the menu's lapse finds the App
}

} // namespace
