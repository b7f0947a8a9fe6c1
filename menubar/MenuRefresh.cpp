#include "app/App.h"

namespace lumio {

namespace {
// How long a menu drawn by a tray host counts as open after the last sign
// of it: long enough to watch the countdown move, short enough that a host
// that never reports the closing costs only a few updates.
constexpr double MENU_LAPSE = 3.0;
} // namespace

void App::refreshMenu() {
    const auto t = now();
    if (!prefs.enabled()) {
        nextItem.title = "Đang tắt nhắc nhở";
    } else if (pausedUntil && *pausedUntil > t) {
        nextItem.title = "Tạm dừng đến " + platform.locale.shortTime(*pausedUntil) + " (còn " +
                         fmt((*pausedUntil - t).count()) + ")";
    } else if (away) {
        nextItem.title = "Bạn đang rời máy – sẽ đếm lại khi quay về";
    } else if (nextBreak) {
        nextItem.title = "Lần nghỉ mắt tới: " + fmt((*nextBreak - t).count());
    }

    if (const auto shown = prefs.stat("shown"); shown < 1) {
        todayItem.title = "Hôm nay chưa có lần nhắc nào";
    } else {
        todayItem.title = "Hôm nay đã nghỉ mắt " + std::to_string(prefs.stat("done")) + "/" +
                          std::to_string(shown) + " lần";
    }

    pauseItem.title = pauseInForce() ? "Tiếp tục nhắc" : "Tạm dừng 1 giờ";
    pauseItem.enabled = prefs.enabled();
    enabledItem.checked = prefs.enabled();
    for (const auto& [item, check] : checks)
        item->checked = check();

    if (statusItem) statusItem->menuChanged();
}

void App::menuWillOpen() {
    holdMenuOpen();
    refreshMenu();
    tendOverlay(); // the user may ask for a break now
}

void App::menuInUse() {
    const bool lapsed = !menuOpen;
    holdMenuOpen();
    if (lapsed) refreshMenu();
}

void App::menuDidClose() {
    menuOpen = false;
}

void App::holdMenuOpen() {
    menuOpen = true;
    const auto sign = ++menuSigns;
    auto lapse = [this, sign] {
        const bool ownMenuShown = statusItem && statusItem->menuOnScreen();
        if (sign == menuSigns && !ownMenuShown) menuOpen = false;
    };
    platform.loop.after(Seconds{MENU_LAPSE}, weakly(std::move(lapse)));
}

} // namespace lumio
