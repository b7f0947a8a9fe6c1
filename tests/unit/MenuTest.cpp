#include "menubar/Countdown.h"
#include "support/AppHarness.h"

#include <limits>

using namespace lumio;

class TrayMenu : public test::AppTest {
  protected:
    // Each line's id ("-": a separator) marked "+" checked, "/" an unchecked
    // toggle, "o" a choice, "!" disabled.
    std::string outline(std::string_view submenu = {}) {
        std::string out;
        for (const auto* i : (submenu.empty() ? *desk.trayMenu : *item(submenu).submenu).items)
            out += (i->separator ? "-" : i->id) + (i->checked ? "+" : "") +
                   (i->toggle != Toggle::None && !i->checked ? "/" : "") +
                   (i->toggle == Toggle::Radio ? "o" : "") + (i->enabled ? " " : "! ");
        return out;
    }
};

TEST_F(TrayMenu, EntriesTheirStatesWhatTheyStoreAndLaunchAtLogin) {
    EXPECT_EQ(outline(), "next! today! - break-now pause enabled+ - interval break-length dim+ "
                         "sound/ idle-reset+ animals - launch-at-login/ quit ");
    EXPECT_EQ(outline("interval"), "interval-10/o interval-15/o interval-20+o interval-25/o "
                                   "interval-30/o interval-45/o interval-60/o ");
    EXPECT_EQ(outline("break-length"), "break-20+o break-30/o break-45/o break-60/o ");
    run(100);
    click("interval-30");
    for (const auto* id : {"break-45", "dim", "idle-reset", "animal-cat", "animal-cat", "sound"})
        click(id);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1800.0) << "only the interval restarts the countdown";
    EXPECT_EQ(outline(), "next! today! - break-now pause enabled+ - interval break-length dim/ "
                         "sound+ idle-reset/ animals - launch-at-login/ quit ");
    EXPECT_EQ(std::pair(stored("intervalMin"), stored("breakSec")), std::pair(30L, 45L));
    EXPECT_EQ(desk.plays, 1) << "switching sound on previews the chime";
    prefs.setAnimals({"frog"});
    click("animal-cat");
    EXPECT_EQ(prefs.animals(), (std::vector<std::string>{"frog", "cat"}));
    click("animal-frog");
    click("animal-cat");
    EXPECT_EQ(prefs.animals(), std::vector<std::string>{"cat"}) << "the last animal stays";
    click("quit");
    EXPECT_EQ(desk.quits, 1);
    click("launch-at-login");
    EXPECT_TRUE(desk.installed && item("launch-at-login").checked);
    desk.autostartFailure = "Read-only file system";
    click("launch-at-login");
    EXPECT_TRUE(desk.installed && item("launch-at-login").checked);
    desk.installed = false;
    click("launch-at-login");
    EXPECT_FALSE(desk.installed || item("launch-at-login").checked);
    ASSERT_EQ(desk.dialogs.size(), 2u);
    EXPECT_EQ(desk.dialogs[1].informativeText, "Hãy kiểm tra quyền ghi thư mục ~/.config/"
                                               "autostart rồi thử lại.\n\n(Read-only file system)");
}

TEST_F(TrayMenu, FirstLinesForEveryState) {
    desk.menu->menuOpened();
    EXPECT_EQ(firstLine() + item("today").title,
              "Lần nghỉ mắt tới: 20:00Hôm nay chưa có lần nhắc nào");
    click("pause");
    desk.clock.jump(30.5);
    desk.menu->menuOpened();
    EXPECT_EQ(firstLine() + item("pause").title, "Tạm dừng đến 09:00 (còn 59:30)Tiếp tục nhắc");
    desk.clock.jump(3600 - 30.5); // the pause's end, before any tick: the line before stays
    desk.menu->menuOpened();
    EXPECT_EQ(firstLine() + item("pause").title, "Tạm dừng đến 09:00 (còn 59:30)Tạm dừng 1 giờ");
    run(400);
    desk.menu->menuOpened();
    EXPECT_EQ(firstLine(), "Bạn đang rời máy – sẽ đếm lại khi quay về");
    click("pause"); // a pause wins over away
    EXPECT_EQ(firstLine(), "Tạm dừng đến 10:06 (còn 60:00)");
    click("enabled");
    EXPECT_EQ(firstLine(), "Đang tắt nhắc nhở");
    EXPECT_EQ(outline().substr(0, 40), "next! today! - break-now pause! enabled/");
    app->breakNow();
    desk.menu->menuOpened();
    EXPECT_EQ(item("today").title, "Hôm nay đã nghỉ mắt 0/1 lần");
}

TEST_F(TrayMenu, AnOpenMenuFollowsTheCountdownUntilItClosesOrLapses) {
    const auto refreshesOver = [&](double seconds) {
        const int before = desk.menuChanges;
        desk.touchedAgo(0);
        run(seconds);
        return desk.menuChanges - before;
    };
    run(0.5); // between ticks
    desk.menu->menuOpened();
    EXPECT_EQ(refreshesOver(100), 60) << "a minute of ticks, then nothing";
    desk.menu->menuOpened();
    run(50);
    desk.menu->menuInUse(); // a submenu opened
    EXPECT_EQ(refreshesOver(100), 60) << "a minute after the last sign";
    desk.menu->menuInUse();
    EXPECT_EQ(firstLine(), "Lần nghỉ mắt tới: 15:50") << "a lapsed menu in use is refreshed";
    desk.menu->menuClosed(MenuDrawer::TrayHost); // this host reports closings
    desk.menu->menuOpened();
    EXPECT_EQ(refreshesOver(200), 200) << "open until the host says it closed";
    desk.menu->menuClosed(MenuDrawer::TrayHost);
    EXPECT_EQ(refreshesOver(10), 0);
    desk.onScreen = true; // Lumio's own menu: open until it closes
    desk.menu->menuOpened();
    EXPECT_EQ(refreshesOver(60), 60);
    click("pause");
    EXPECT_EQ(refreshesOver(3), 0) << "paused ticks leave the menu";
    desk.onScreen = false;
    desk.menu->menuClosed(MenuDrawer::Desktop);
    click("pause");
    EXPECT_EQ(refreshesOver(10), 0);
}

TEST(Countdown, Format) {
    const double inf = std::numeric_limits<double>::infinity(), max = 9223372036854775807.0;
    const std::string huge = "153722867280912930:07";
    const std::vector<std::pair<double, std::string>> rows{
        {-5, "0:00"},   {0.4, "0:00"},     {0.5, "0:01"},    {59.5, "1:00"},
        {75.4, "1:15"}, {3599.5, "60:00"}, {7265, "121:05"}, {-inf, "0:00"},
        {NAN, "0:00"},  {inf, huge},       {max, huge}};
    for (const auto& [t, text] : rows)
        EXPECT_EQ(countdownText(t), text) << t;
}
