#include "app/SingleInstance.h"
#include "support/AppHarness.h"

using namespace lumio;

namespace {

class Launch : public test::AppTest {
  protected:
    Launch() : AppTest(false) { desk.store.values.clear(); }
};

TEST_F(Launch, TheFirstRunIsWelcomedHalfASecondLaterAndOnce) {
    EXPECT_TRUE(isSecondInstance(2) && !isSecondInstance(1));
    for (const std::optional<std::size_t> answer : {std::optional<std::size_t>{0}, {1}, {}}) {
        desk.store.values = {{"intervalMin", std::int64_t{45}}};
        desk.dialogs = {};
        desk.dialogs.answer = answer;
        desk.autostart.installed = false;
        launch();
        EXPECT_EQ(desk.store.values.at("welcomed"), SettingValue{true});
        run(0.49);
        EXPECT_TRUE(desk.dialogs.shown.empty());
        run(0.01);
        ASSERT_EQ(desk.dialogs.shown.size(), 1u);
        EXPECT_EQ(desk.autostart.installed, answer == 0u) << "the first button turns it on";
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
    EXPECT_EQ(desk.dialogs.shown.size(), 1u);
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
        EXPECT_EQ(breaksShown() + paused(), 0u);
        run(0.01);
        EXPECT_EQ(breaksShown(), r.breaks) << r.option;
        EXPECT_EQ(paused(), r.paused) << r.option;
        EXPECT_EQ(desk.store.values.contains("welcomed"), !r.breaks && !r.paused) << r.option;
    }
}

TEST_F(Launch, ActionsByNameDoWhatTheirMenuItemsDo) {
    launch();
    const struct {
        const char* name;
        bool known, paused, enabled;
    } rows[] = {{"break-now", true, false, true},
                {"toggle-pause", true, true, true},
                {"toggle-pause", true, false, true},
                {"toggle-enabled", true, false, false},
                {"toggle-enabled", true, false, true},
                {"Quit", false, false, true},
                {"", false, false, true},
                {"quit", true, false, true}};
    for (const auto& r : rows) {
        const int changes = desk.tray.changes;
        EXPECT_EQ(app->activateAction(r.name), r.known) << r.name;
        EXPECT_EQ(paused(), r.paused) << r.name;
        EXPECT_EQ(app->preferences().enabled(), r.enabled) << r.name;
        EXPECT_EQ(desk.tray.changes > changes, r.known) << "menu refreshed: " << r.name;
    }
    EXPECT_EQ(breaksShown(), 1u);
    EXPECT_EQ(desk.loop.quits, 1);
    app->activate();
    EXPECT_EQ(desk.tray.popUps, 1);
}

TEST_F(Launch, ABreakBeforeThePageLoadedWaitsForIt) {
    desk.store.values["enabled"] = false;
    desk.overlay.loadSeconds.reset();
    launch({"lumio", "--break-now"});
    EXPECT_TRUE(desk.tray.paused) << "reminders off";
    run(2);
    EXPECT_EQ(breaksShown(), 0u);
    EXPECT_EQ(stored("stat.shown"), 1) << "counted when shown, whatever the page does";
    desk.overlay.web->onLoaded();
    EXPECT_EQ(breaksShown(), 1u);
}

TEST_F(Launch, NothingRunsOnceTheAppIsGone) {
    desk.store.values["dim"] = false; // no fade left running once the App is gone
    launch({"lumio", "--break-now"});
    run(2);
    desk.overlay.post("done");
    EXPECT_EQ(stored("stat.done"), 1);
    menu().menuOpened();
    app.reset();
    run(5); // neither the ticker nor the menu's lapse finds the App
}

} // namespace
