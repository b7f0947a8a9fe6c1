#include "menubar/StatusMenu.h"

#include "menubar/Countdown.h"

namespace lumio {

namespace {
// How long a menu drawn by a tray host that has never reported a closing
// counts as open after the last sign of it: long enough to read the menu and
// watch its countdown move, bounded, as such a host may never report one.
constexpr double MENU_LAPSE = 60.0;
} // namespace

void StatusMenu::refreshMenu() {
    if (!built) return;
    const auto t = platform.clock.now();
    const auto pausedUntil = schedule.pausedUntilAt();
    if (!prefs.enabled()) {
        nextItem->title = "Đang tắt nhắc nhở";
    } else if (pausedUntil && *pausedUntil > t) {
        nextItem->title = "Tạm dừng đến " + platform.locale.shortTime(*pausedUntil) + " (còn " +
                          countdownText((*pausedUntil - t).count()) + ")";
    } else if (schedule.isAway()) {
        nextItem->title = "Bạn đang rời máy – sẽ đếm lại khi quay về";
    } else if (const auto next = schedule.nextBreakAt()) {
        nextItem->title = "Lần nghỉ mắt tới: " + countdownText((*next - t).count());
    }

    if (const auto shown = prefs.stat(Tally::Shown); shown < 1) {
        todayItem->title = "Hôm nay chưa có lần nhắc nào";
    } else {
        todayItem->title = "Hôm nay đã nghỉ mắt " + std::to_string(prefs.stat(Tally::Done)) + "/" +
                           std::to_string(shown) + " lần";
    }

    pauseItem->title = schedule.pauseInForce(t) ? "Tiếp tục nhắc" : "Tạm dừng 1 giờ";
    pauseItem->enabled = prefs.enabled();
    enabledItem->checked = prefs.enabled();
    for (const auto& [item, check] : checks)
        item->checked = check();

    platform.tray.menuChanged();
}

void StatusMenu::refreshIcon() {
    if (!built) return;
    platform.tray.setPaused(!prefs.enabled() || schedule.pauseInForce(platform.clock.now()));
}

void StatusMenu::menuOpened() {
    holdOpen();
    refreshMenu();
    commands.opened();
}

void StatusMenu::menuInUse() {
    const bool lapsed = !open;
    holdOpen();
    if (lapsed) refreshMenu();
}

void StatusMenu::menuClosed(MenuDrawer drawer) {
    if (drawer == MenuDrawer::TrayHost) hostReportsClosing = true;
    open = false;
}

void StatusMenu::holdOpen() {
    open = true;
    const auto sign = ++openSigns;
    platform.loop.after(Seconds{MENU_LAPSE}, weakly([this, sign] {
                            if (sign == openSigns && !hostReportsClosing &&
                                !platform.tray.menuOnScreen())
                                open = false;
                        }));
}

} // namespace lumio
