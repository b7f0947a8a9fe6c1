#include "app/SingleInstance.h"
#include "support/AppHarness.h"

#include <tuple>

using namespace lumio;

class Launch : public test::AppTest {
  protected:
    Launch() : AppTest(false) { desk.values.clear(); }
};

TEST_F(Launch, TheFirstRunIsWelcomedHalfASecondLaterAndOnce) {
    EXPECT_TRUE(isSecondInstance(2) && !isSecondInstance(1));
    for (const std::optional<std::size_t> answer : {std::optional<std::size_t>{0}, {1}, {}}) {
        desk.values = {{"intervalMin", std::int64_t{45}}};
        desk.dialogs.clear();
        desk.answer = answer;
        desk.installed = false;
        launch();
        EXPECT_EQ(desk.values.at("welcomed"), SettingValue{true});
        run(0.49);
        EXPECT_TRUE(desk.dialogs.empty());
        run(0.01);
        ASSERT_EQ(desk.dialogs.size(), 1u);
        EXPECT_EQ(desk.installed, answer == 0u) << "the first button turns it on";
    }
    const auto& dialog = desk.dialogs[0];
    EXPECT_EQ(dialog.iconName.value() + dialog.text, "AppIconLumio đã chạy rồi nè! 🐱");
    EXPECT_EQ(dialog.informativeText,
              "Cứ 45 phút, một bạn thú sẽ nhảy ra góc màn hình nhắc bạn nhìn ra xa 20 giây.\n\n"
              "Mọi cài đặt nằm ở biểu tượng con mèo trên thanh menu (góc phải trên).");
    EXPECT_EQ(dialog.buttons, (std::vector<std::string>{"Mở cùng máy tính", "Để sau"}));
    launch();
    run(3600);
    EXPECT_EQ(desk.dialogs.size(), 1u);
}

TEST_F(Launch, AnActionAskedForIsDoneASecondLaterWithoutTheWelcome) {
    const std::vector<std::tuple<const char*, std::size_t, bool>> rows{
        {"--break-now", 1, false}, {"--toggle-pause", 0, true}, {"x--break-now", 0, false}};
    for (const auto& [option, breaks, pauses] : rows) {
        desk.values.clear();
        desk.overlay.scripts.clear();
        launch({"lumio", option, "--break-now=1"});
        run(0.99);
        EXPECT_EQ(breaksShown() + paused(), 0u);
        run(0.01);
        EXPECT_EQ(breaksShown() * 10 + paused(), breaks * 10 + pauses) << option;
        EXPECT_EQ(desk.values.contains("welcomed"), !breaks && !pauses) << option;
    }
}

TEST_F(Launch, ActionsByNameDoWhatTheirMenuItemsDo) {
    launch();
    // Whether the name is known, and then whether paused and whether reminders are on.
    const std::vector<std::tuple<const char*, bool, bool, bool>> rows{
        {"break-now", true, false, true},
        {"toggle-pause", true, true, true},
        {"toggle-pause", true, false, true},
        {"toggle-enabled", true, false, false},
        {"toggle-enabled", true, false, true},
        {"Quit", false, false, true},
        {"", false, false, true},
        {"quit", true, false, true}};
    for (const auto& [name, known, pausedNow, enabled] : rows) {
        const int changes = desk.menuChanges;
        EXPECT_EQ(app->activateAction(name), known) << name;
        EXPECT_EQ(paused(), pausedNow) << name;
        EXPECT_EQ(app->preferences().enabled(), enabled) << name;
        EXPECT_EQ(desk.menuChanges > changes, known) << "menu refreshed: " << name;
    }
    EXPECT_EQ(breaksShown() * 10 + desk.quits, 11u);
    app->activate();
    EXPECT_EQ(desk.popUps, 1);
}

TEST_F(Launch, ABreakBeforeThePageLoadedWaitsForItAndNothingRunsOnceTheAppIsGone) {
    desk.values = {{"enabled", false}, {"dim", false}}; // no fade left running at the end
    desk.overlay.loadSeconds.reset();
    launch({"lumio", "--break-now"});
    EXPECT_TRUE(desk.paused) << "reminders off";
    run(2);
    EXPECT_EQ(breaksShown(), 0u);
    EXPECT_EQ(stored("stat.shown"), 1) << "counted when shown, whatever the page does";
    desk.overlay.web->onLoaded();
    EXPECT_EQ(breaksShown(), 1u);
    desk.overlay.post("done");
    EXPECT_EQ(stored("stat.done"), 1);
    desk.menu->menuOpened();
    app.reset();
    run(5); // neither the ticker nor the menu's lapse finds the App
}
