#include "menubar/Countdown.h"
#include "support/AppHarness.h"

#include <limits>

using namespace lumio;

namespace {

class TrayMenu : public test::AppTest {
  protected:
    // Each line's id ("-": a separator) marked "+" checked, "/" an unchecked
    // toggle, "o" a choice, "!" disabled.
    std::string outline(const Menu& menu) const {
        std::string out;
        for (const auto* i : menu.items) {
            out += (i->separator ? "-" : i->id) + (i->checked ? "+" : "") +
                   (i->toggle != Toggle::None && !i->checked ? "/" : "") +
                   (i->toggle == Toggle::Radio ? "o" : "") + (i->enabled ? " " : "! ");
        }
        return out;
    }
    std::string outline(std::string_view id = {}) {
        return outline(id.empty() ? app->statusMenu().mainMenu() : *item(id).submenu);
    }
    int refreshesOver(double seconds) {
        const int before = desk.tray.changes;
        run(seconds);
        return desk.tray.changes - before;
    }
};

TEST_F(TrayMenu, EntriesTheirStatesAndWhatTheyStore) {
    EXPECT_EQ(outline(), "next! today! - break-now pause enabled+ - interval break-length dim+ "
                         "sound/ idle-reset+ animals - launch-at-login/ quit ");
    EXPECT_EQ(outline("interval"), "interval-10/o interval-15/o interval-20+o interval-25/o "
                                   "interval-30/o interval-45/o interval-60/o ");
    EXPECT_EQ(outline("break-length"), "break-20+o break-30/o break-45/o break-60/o ");
    EXPECT_EQ(outline("animals"), "animal-cat+ animal-dog+ animal-bunny+ animal-panda+ "
                                  "animal-frog+ animal-penguin+ ");
    EXPECT_EQ(item("quit").shortcut, "Ctrl+Q");
    EXPECT_EQ(item("break-60").title, "1 phút");
    EXPECT_EQ(desk.tray.icon, "menubar");

    run(100);
    click("interval-30");
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1800.0);
    run(100);
    click("interval-30"); // the current choice restarts all the same
    click("break-45");
    for (const auto* id : {"dim", "idle-reset", "animal-cat", "animal-cat", "sound", "sound"})
        click(id);
    EXPECT_DOUBLE_EQ(secondsToNextBreak(), 1800.0) << "only the interval restarts the countdown";
    EXPECT_EQ(outline(), "next! today! - break-now pause enabled+ - interval break-length dim/ "
                         "sound/ idle-reset/ animals - launch-at-login/ quit ");
    EXPECT_EQ(outline("break-length"), "break-20/o break-30/o break-45+o break-60/o ");
    EXPECT_EQ(stored("intervalMin") * 100 + stored("breakSec"), 3045);
    EXPECT_EQ(app->preferences().animals(),
              (std::vector<std::string>{"dog", "bunny", "panda", "frog", "penguin", "cat"}));
    EXPECT_EQ(desk.audio.plays, 1) << "switching sound on previews the chime";

    app->preferences().setAnimals({"frog"});
    click("animal-frog");
    EXPECT_EQ(app->preferences().animals(), std::vector<std::string>{"frog"}) << "the last stays";
    desk.store.values["intervalMin"] = std::int64_t{7};
    menu().menuOpened();
    EXPECT_EQ(outline("interval").find('+'), std::string::npos) << "an unoffered value";
    click("quit");
    EXPECT_EQ(desk.loop.quits, 1);
}

TEST_F(TrayMenu, LaunchAtLoginFollowsTheSystemAndAFailureIsShown) {
    for (const bool on : {true, false}) {
        click("launch-at-login");
        EXPECT_EQ(desk.autostart.installed && item("launch-at-login").checked, on);
    }
    desk.autostart.failure = "Read-only file system";
    for (const bool installed : {false, true}) {
        desk.autostart.installed = installed;
        click("launch-at-login");
        EXPECT_EQ(item("launch-at-login").checked, installed);
    }
    ASSERT_EQ(desk.dialogs.shown.size(), 2u);
    EXPECT_EQ(desk.dialogs.shown[1].text, "Không bật được \"Mở cùng máy tính\"");
    EXPECT_EQ(desk.dialogs.shown[1].informativeText,
              "Hãy kiểm tra quyền ghi thư mục ~/.config/autostart rồi thử lại.\n\n(Read-only "
              "file system)");
}

TEST_F(TrayMenu, FirstLinesForEveryState) {
    EXPECT_EQ(firstLine(), "") << "built before the first countdown";
    menu().menuOpened();
    EXPECT_EQ(firstLine(), "Lần nghỉ mắt tới: 20:00");
    EXPECT_EQ(item("today").title, "Hôm nay chưa có lần nhắc nào");
    click("pause");
    EXPECT_EQ(firstLine(), "Tạm dừng đến 09:00 (còn 60:00)");
    EXPECT_EQ(item("pause").title, "Tiếp tục nhắc");
    desk.clock.jump(30.5);
    menu().menuOpened();
    EXPECT_EQ(firstLine(), "Tạm dừng đến 09:00 (còn 59:30)");
    desk.clock.jump(3600 - 30.5); // the pause's end, before any tick
    menu().menuOpened();
    EXPECT_EQ(firstLine(), "Tạm dừng đến 09:00 (còn 59:30)") << "the line before stays";
    EXPECT_EQ(item("pause").title, "Tạm dừng 1 giờ");
    run(400);
    menu().menuOpened();
    EXPECT_EQ(firstLine(), "Bạn đang rời máy – sẽ đếm lại khi quay về");
    click("pause"); // a pause wins over away
    EXPECT_EQ(firstLine(), "Tạm dừng đến 10:06 (còn 60:00)");
    click("enabled");
    EXPECT_EQ(firstLine(), "Đang tắt nhắc nhở");
    EXPECT_EQ(outline().substr(0, 40), "next! today! - break-now pause! enabled/");
    for (int i = 0; i < 5; ++i) {
        app->breakNow();
        desk.overlay.post(i < 3 ? "done" : "skip");
    }
    menu().menuOpened();
    EXPECT_EQ(item("today").title, "Hôm nay đã nghỉ mắt 3/5 lần");
}

TEST_F(TrayMenu, AnOpenMenuFollowsTheCountdownAndATrayMenuLapses) {
    run(0.5); // between ticks
    menu().menuOpened();
    EXPECT_EQ(refreshesOver(60), 3) << "three ticks, then nothing";
    menu().menuOpened();
    run(2);
    menu().menuInUse(); // a submenu opened
    EXPECT_EQ(refreshesOver(60), 3) << "three ticks after the last sign";
    const int lapsed = desk.tray.changes;
    menu().menuInUse();
    EXPECT_EQ(desk.tray.changes, lapsed + 1) << "a lapsed menu in use is refreshed at once";
    EXPECT_EQ(firstLine(), "Lần nghỉ mắt tới: 17:58");
    run(60);
    desk.tray.onScreen = true; // Lumio's own menu: open until it closes
    menu().menuOpened();
    EXPECT_EQ(refreshesOver(60), 60);
    click("pause");
    EXPECT_EQ(refreshesOver(3), 0) << "paused ticks leave the menu";
    desk.tray.onScreen = false;
    menu().menuClosed();
    click("pause");
    EXPECT_EQ(refreshesOver(10), 0);
}

TEST(Countdown, Format) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<double, std::string>> rows{
        {-5, "0:00"},
        {0.4, "0:00"},
        {0.5, "0:01"},
        {59.5, "1:00"},
        {75.4, "1:15"},
        {3599.5, "60:00"},
        {7265, "121:05"},
        {-inf, "0:00"},
        {NAN, "0:00"},
        {inf, "153722867280912930:07"},
        {9223372036854775807.0, "153722867280912930:07"}};
    for (const auto& [t, text] : rows)
        EXPECT_EQ(fmt(t), text) << t;
}

} // namespace
