// Watch a simulated day of breaks pass in a second: the real core on fake
// desktop services and a virtual clock. The simulated user answers each break
// after a while, takes a lunch away from the machine and locks the screen in
// the evening.
#include "app/App.h"
#include "support/FakeDesktop.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace lumio;

namespace {

std::string clockText(const fake::VirtualClock& clock) {
    const auto secs = static_cast<long long>(epochSeconds(clock.now()));
    const long long day = secs % 86400;
    char text[16];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", day / 3600, day % 3600 / 60, day % 60);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    setenv("TZ", "UTC", 1);
    const int days = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    const double morning = 1767600000.0; // Monday 2026-01-05, 08:00 UTC
    fake::FakeDesktop desk(morning);
    desk.values["welcomed"] = true;
    desk.pointer = {960, 540};

    App app(desk.platform, {"lumio"});
    app.applicationDidFinishLaunching();

    std::size_t answered = 0;
    int shownTotal = 0;
    for (int minute = 0; minute < days * 24 * 60; ++minute) {
        const int hourOfDay = (8 + minute / 60) % 24;
        const bool atDesk =
            (hourOfDay >= 8 && hourOfDay < 12) || (hourOfDay >= 13 && hourOfDay < 18);
        if (atDesk) desk.touchedAgo(0);
        if (hourOfDay == 18 && minute % 60 == 0) desk.session.onLock();
        if (hourOfDay == 8 && minute % 60 == 0 && minute > 0) desk.session.onUnlock();
        desk.runFor(60);

        const auto& shown = desk.overlay.shown;
        for (; answered < shown.size(); ++answered) {
            ++shownTotal;
            const auto answer = answered % 5 == 4   ? PageEvent::Snoozed
                                : answered % 7 == 6 ? PageEvent::Skipped
                                                    : PageEvent::Done;
            std::printf("%s  break %-3d %s for %lld s -> %s\n", clockText(desk.clock).c_str(),
                        shownTotal, shown[answered].animalId.c_str(),
                        static_cast<long long>(shown[answered].breakSec),
                        answer == PageEvent::Done      ? "done"
                        : answer == PageEvent::Skipped ? "skip"
                                                       : "snooze");
            desk.overlay.post(answer);
            desk.overlay.post(PageEvent::Closed);
        }
    }
    desk.menu->menuOpened();
    const auto& menu = *desk.trayMenu;
    std::printf("\nmenu: %s | %s\n", menu.items[0]->title.c_str(), menu.items[1]->title.c_str());
    std::printf("%d breaks shown over %d simulated day(s)\n", shownTotal, days);
    return 0;
}
