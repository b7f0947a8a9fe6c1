#include "AppHarness.h"

#include <utility>

using namespace lumio;
using lumio::test::AppTest;

namespace {

class StatusMenu : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        launch();
    }
    std::vector<std::string> titles(const Menu& menu) const {
        std::vector<std::string> out;
        for (const auto* i : menu.items)
            out.push_back(i->separator ? "---" : i->title);
        return out;
    }
    std::vector<std::string> checked(const Menu& menu) const {
        std::vector<std::string> out;
        for (const auto* i : menu.items) {
            if (i->checked) out.push_back(i->title);
        }
        return out;
    }
    const Menu& sub(const std::string& title) { return *item({title}).submenu; }
};

TEST_F(StatusMenu, SixteenEntriesInOrder) {
    app->menuWillOpen();
    const std::vector<std::string> expected{"Lần nghỉ mắt tới: 20:00",
                                            "Hôm nay chưa có lần nhắc nào",
                                            "---",
                                            "Nghỉ mắt ngay",
                                            "Tạm dừng 1 giờ",
                                            "Bật nhắc nhở",
                                            "---",
                                            "Nhắc mỗi",
                                            "Thời gian nghỉ",
                                            "Làm mờ nền khi nhắc",
                                            "Âm báo nhẹ",
                                            "Rời máy ≥5 phút thì đếm lại",
                                            "Các bạn thú",
                                            "---",
                                            "Mở cùng máy tính",
                                            "Thoát Lumio"};
    EXPECT_EQ(titles(*app->mainMenu()), expected);

    const auto& items = app->mainMenu()->items;
    EXPECT_FALSE(items[0]->enabled);
    EXPECT_FALSE(items[1]->enabled);
    for (std::size_t i = 3; i < items.size(); ++i)
        EXPECT_TRUE(items[i]->enabled) << i;
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i]->keyEquivalent, i == 15 ? "q" : "") << i;
        EXPECT_EQ(items[i]->action != nullptr, i >= 3 && !items[i]->separator && !items[i]->submenu)
            << items[i]->title;
    }
    EXPECT_EQ(titles(sub("Nhắc mỗi")),
              (std::vector<std::string>{"10 phút", "15 phút", "20 phút", "25 phút", "30 phút",
                                        "45 phút", "60 phút"}));
    EXPECT_EQ(titles(sub("Thời gian nghỉ")),
              (std::vector<std::string>{"20 giây", "30 giây", "45 giây", "1 phút"}));
    EXPECT_EQ(titles(sub("Các bạn thú")),
              (std::vector<std::string>{"Mèo Cam", "Cún Shiba", "Thỏ Bông", "Gấu Trúc", "Ếch Xanh",
                                        "Cánh Cụt"}));
}

TEST_F(StatusMenu, StatusItemLooks) {
    EXPECT_EQ(desk.statusBar.item->image, "menubar");
    EXPECT_EQ(desk.statusBar.item->imageSize, 18);
    EXPECT_EQ(desk.statusBar.item->toolTip, "Lumio – Nhắc nghỉ mắt");
    EXPECT_EQ(desk.statusBar.item->delegate, app.get());
}

TEST_F(StatusMenu, DefaultCheckMarks) {
    EXPECT_EQ(checked(*app->mainMenu()),
              (std::vector<std::string>{"Bật nhắc nhở", "Làm mờ nền khi nhắc",
                                        "Rời máy ≥5 phút thì đếm lại"}));
    EXPECT_EQ(checked(sub("Nhắc mỗi")), std::vector<std::string>{"20 phút"});
    EXPECT_EQ(checked(sub("Thời gian nghỉ")), std::vector<std::string>{"20 giây"});
    EXPECT_EQ(checked(sub("Các bạn thú")).size(), 6u);
}

TEST_F(StatusMenu, SwitchesAreChecksAndChoicesAreRadios) {
    const auto kinds = [](const Menu& menu) {
        std::vector<Toggle> out;
        for (const auto* i : menu.items)
            out.push_back(i->toggle);
        return out;
    };
    constexpr auto N = Toggle::None, C = Toggle::Check, R = Toggle::Radio;
    const auto& items = app->mainMenu()->items;
    EXPECT_EQ(kinds(*app->mainMenu()),
              (std::vector<Toggle>{N, N, N, N, N, C, N, N, N, C, C, C, N, N, C, N}));
    EXPECT_EQ(kinds(*items[7]->submenu), std::vector<Toggle>(7, R));
    EXPECT_EQ(kinds(*items[8]->submenu), std::vector<Toggle>(4, R));
    EXPECT_EQ(kinds(*items[12]->submenu), std::vector<Toggle>(6, C));
}

TEST_F(StatusMenu, ChoicesStoreAndRecheck) {
    run(100);
    click({"Nhắc mỗi", "30 phút"});
    EXPECT_EQ(stored("intervalMin"), 30);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1800.0);
    EXPECT_EQ(checked(sub("Nhắc mỗi")), std::vector<std::string>{"30 phút"});

    run(100);
    click({"Nhắc mỗi", "30 phút"}); // the current choice restarts all the same
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1800.0);

    click({"Thời gian nghỉ", "45 giây"});
    EXPECT_EQ(stored("breakSec"), 45);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1800.0) << "break length leaves the countdown";
    click({"Thời gian nghỉ", "1 phút"});
    EXPECT_EQ(stored("breakSec"), 60);
    EXPECT_EQ(checked(sub("Thời gian nghỉ")), std::vector<std::string>{"1 phút"});
}

TEST_F(StatusMenu, UnofferedStoredValueChecksNothing) {
    desk.store.values["intervalMin"] = std::int64_t{7};
    app->refreshMenu();
    EXPECT_TRUE(checked(sub("Nhắc mỗi")).empty());
}

TEST_F(StatusMenu, TogglesFlipTheStoredSetting) {
    click({"Làm mờ nền khi nhắc"});
    EXPECT_FALSE(app->preferences().dim());
    EXPECT_FALSE(item({"Làm mờ nền khi nhắc"}).checked);
    click({"Rời máy ≥5 phút thì đếm lại"});
    EXPECT_FALSE(app->preferences().idleReset());

    click({"Âm báo nhẹ"});
    EXPECT_TRUE(app->preferences().sound());
    EXPECT_EQ(desk.audio.plays, 1) << "switching sound on previews the chime";
    click({"Âm báo nhẹ"});
    EXPECT_FALSE(app->preferences().sound());
    EXPECT_EQ(desk.audio.plays, 1);
}

TEST_F(StatusMenu, AnimalToggles) {
    click({"Các bạn thú", "Mèo Cam"});
    EXPECT_EQ(app->preferences().animals(),
              (std::vector<std::string>{"dog", "bunny", "panda", "frog", "penguin"}));
    EXPECT_FALSE(item({"Các bạn thú", "Mèo Cam"}).checked);
    click({"Các bạn thú", "Mèo Cam"});
    EXPECT_EQ(app->preferences().animals(),
              (std::vector<std::string>{"dog", "bunny", "panda", "frog", "penguin", "cat"}));

    app->preferences().setAnimals({"frog"});
    const int writes = desk.store.writes;
    click({"Các bạn thú", "Ếch Xanh"});
    EXPECT_EQ(desk.store.writes, writes) << "the last animal cannot be switched off";
    EXPECT_TRUE(item({"Các bạn thú", "Ếch Xanh"}).checked);
}

TEST_F(StatusMenu, LaunchAtLoginFollowsTheSystem) {
    click({"Mở cùng máy tính"});
    EXPECT_EQ(desk.loginItem.calls, std::vector<bool>{true});
    EXPECT_TRUE(item({"Mở cùng máy tính"}).checked);
    click({"Mở cùng máy tính"});
    EXPECT_EQ(desk.loginItem.calls, (std::vector<bool>{true, false}));
    EXPECT_FALSE(item({"Mở cùng máy tính"}).checked);

    desk.loginItem.current = LoginItemStatus::RequiresApproval;
    app->refreshMenu();
    EXPECT_FALSE(item({"Mở cùng máy tính"}).checked);
    click({"Mở cùng máy tính"});
    EXPECT_EQ(desk.loginItem.calls.back(), true) << "waiting for approval reads as off";
}

TEST_F(StatusMenu, RefusedLoginItemShowsTheAlertAndKeepsTheTruth) {
    desk.loginItem.failure = "Read-only file system";
    click({"Mở cùng máy tính"});
    ASSERT_EQ(desk.alerts.shown.size(), 1u);
    const auto alert = desk.alerts.shown[0];
    EXPECT_EQ(alert.message, "Không bật được \"Mở cùng máy tính\"");
    EXPECT_EQ(alert.informativeText, "Hãy kiểm tra quyền ghi thư mục ~/.config/autostart rồi thử "
                                     "lại.\n\n(Read-only file system)");
    EXPECT_TRUE(alert.buttons.empty());
    EXPECT_EQ(desk.application.activations, 1);
    EXPECT_FALSE(item({"Mở cùng máy tính"}).checked);

    desk.loginItem.current = LoginItemStatus::Enabled; // turning off fails the same way
    click({"Mở cùng máy tính"});
    ASSERT_EQ(desk.alerts.shown.size(), 2u);
    EXPECT_EQ(desk.alerts.shown[1].message, alert.message);
    EXPECT_TRUE(item({"Mở cùng máy tính"}).checked);
}

TEST_F(StatusMenu, QuitTerminates) {
    click({"Thoát Lumio"});
    EXPECT_EQ(desk.application.terminations, 1);
}

TEST_F(StatusMenu, FirstLineForEveryState) {
    EXPECT_EQ(firstLine(), "") << "built before the first countdown";
    app->menuWillOpen();
    EXPECT_EQ(firstLine(), "Lần nghỉ mắt tới: 20:00");

    run(400); // away
    app->refreshMenu();
    EXPECT_EQ(firstLine(), "Bạn đang rời máy – sẽ đếm lại khi quay về");

    app->menuDidClose();
    click({"Tạm dừng 1 giờ"}); // a pause wins over away
    EXPECT_EQ(firstLine(), "Tạm dừng đến 09:06 (còn 60:00)");
    EXPECT_EQ(item({"Tiếp tục nhắc"}).title, "Tiếp tục nhắc");
    desk.clock.jump(30.5);
    app->refreshMenu();
    EXPECT_EQ(firstLine(), "Tạm dừng đến 09:06 (còn 59:30)");

    click({"Bật nhắc nhở"});
    EXPECT_EQ(firstLine(), "Đang tắt nhắc nhở");
    EXPECT_FALSE(item({"Tạm dừng 1 giờ"}).enabled);
    EXPECT_FALSE(item({"Bật nhắc nhở"}).checked);
    EXPECT_TRUE(iconDimmed());
}

TEST_F(StatusMenu, ExpiredPauseKeepsThePreviousLine) {
    app->menuWillOpen();
    click({"Tạm dừng 1 giờ"});
    const auto line = firstLine();
    desk.clock.jump(4000); // past the end, before any tick
    app->refreshMenu();
    EXPECT_EQ(firstLine(), line);
    EXPECT_EQ(app->mainMenu()->items[4]->title, "Tạm dừng 1 giờ");
}

TEST_F(StatusMenu, CountdownRounding) {
    app->menuWillOpen();
    for (const auto& [ahead, text] : std::vector<std::pair<double, std::string>>{
             {75.4, "1:15"}, {59.5, "1:00"}, {-3, "0:00"}}) {
        desk.store.values["intervalMin"] = std::int64_t{0};
        app->restart();
        desk.clock.jump(30 - ahead);
        app->refreshMenu();
        EXPECT_EQ(firstLine(), "Lần nghỉ mắt tới: " + text) << ahead;
        desk.clock.jump(ahead - 30);
    }
}

TEST_F(StatusMenu, TodayLine) {
    app->handle("done");
    app->refreshMenu();
    EXPECT_EQ(secondLine(), "Hôm nay chưa có lần nhắc nào") << "nothing shown yet today";
    for (int i = 0; i < 5; ++i) {
        app->breakNow();
        if (i < 3) app->handle("done");
    }
    app->refreshMenu();
    EXPECT_EQ(secondLine(), "Hôm nay đã nghỉ mắt 3/5 lần");
}

TEST(Countdown, FormatTable) {
    const std::vector<std::pair<double, std::string>> table{
        {-5.0, "0:00"},    {0.4, "0:00"},     {0.5, "0:01"},     {59.5, "1:00"},
        {75.4, "1:15"},    {1199.6, "20:00"}, {3600.0, "60:00"}, {7265.0, "121:05"},
        {3599.5, "60:00"}, {-0.5, "0:00"}};
    for (const auto& [t, text] : table)
        EXPECT_EQ(fmt(t), text) << t;
}

TEST(Countdown, NonFiniteAndHugeNumbersStaySane) {
    EXPECT_EQ(fmt(std::numeric_limits<double>::quiet_NaN()), "0:00");
    EXPECT_EQ(fmt(-std::numeric_limits<double>::infinity()), "0:00");
    EXPECT_EQ(fmt(std::numeric_limits<double>::infinity()), "153722867280912930:07");
    EXPECT_EQ(fmt(1e300), "153722867280912930:07");
    EXPECT_EQ(fmt(9223372036854775807.0), "153722867280912930:07");
}

} // namespace
