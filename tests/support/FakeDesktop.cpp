#include "support/FakeDesktop.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace lumio::fake {

void FakeDesktop::after(Seconds delay, std::function<void()> work) {
    tasks.push_back({clock.mono + delay.count(), std::make_shared<const Work>(std::move(work))});
}

void FakeDesktop::runWhenDue(std::function<std::optional<Instant>()> nextDue,
                             std::function<void()> work) {
    due = {std::move(nextDue), std::make_shared<const Work>(std::move(work))};
}

std::optional<double> FakeDesktop::wakeAt() const {
    if (!due.next) return std::nullopt;
    if (clock.set) return clock.mono;
    const auto at = due.next();
    if (!at) return std::nullopt;
    return std::max(epochSeconds(*at) - clock.epoch - clock.offset, clock.mono);
}

void FakeDesktop::touchedAgo(double seconds) {
    lastInput = clock.mono - seconds;
    if (crossingsTold && idleThreshold && (seconds >= *idleThreshold) != toldIdle) tellCrossing();
}

void FakeDesktop::tellCrossing() {
    toldIdle = !toldIdle;
    if (idleCrossed) idleCrossed();
}

void FakeDesktop::runFor(double seconds) {
    const double end = clock.mono + seconds;
    int runsAtOneInstant = 0;
    for (;;) {
        // At one instant: one-off work first, in the order given, then the
        // desktop's word on idleness, then the work that is due.
        const auto task = std::ranges::min_element(tasks, {}, &Task::at);
        const std::optional<double> crossing = crossingsTold && idleThreshold && !toldIdle
                                                   ? std::optional(lastInput + *idleThreshold)
                                                   : std::nullopt;
        const auto wake = wakeAt();
        const double at = std::min({task != tasks.end() ? task->at : end + 1,
                                    crossing.value_or(end + 1), wake.value_or(end + 1)});
        if (at > end) break;
        runsAtOneInstant = at > clock.mono ? 0 : runsAtOneInstant + 1;
        if (runsAtOneInstant > 1000) {
            std::fputs("the main loop spins: work due again at the same instant\n", stderr);
            std::abort();
        }
        clock.mono = std::max(at, clock.mono);
        if (task != tasks.end() && task->at <= at) {
            const auto work = task->work; // the task list may change while it runs
            tasks.erase(task);
            (*work)();
        } else if (crossing && *crossing <= at) {
            tellCrossing();
        } else {
            ++steps;
            clock.set = false;
            const auto work = due.work;
            (*work)();
        }
    }
    clock.mono = end;
}

std::optional<SettingValue> FakeDesktop::value(std::string_view key) const {
    if (const auto it = values.find(key); it != values.end()) return it->second;
    return std::nullopt;
}

void FakeDesktop::setValue(std::string_view key, SettingValue v) {
    ++writes;
    values.insert_or_assign(std::string(key), std::move(v));
}

std::unique_ptr<Sound> FakeDesktop::load(std::vector<std::uint8_t>) {
    struct FakeSound final : Sound {
        explicit FakeSound(FakeDesktop& desk) : desk(desk) {}
        void play() override { ++desk.plays; }
        void stop() override { ++desk.stops; }
        FakeDesktop& desk;
    };
    ++soundLoads;
    return refuseSound ? nullptr : std::make_unique<FakeSound>(*this);
}

std::string FakeDesktop::shortTime(Instant t) const {
    const auto minutes = static_cast<long>(epochSeconds(t)) / 60;
    char text[8];
    std::snprintf(text, sizeof text, "%02ld:%02ld", minutes / 60 % 24, minutes % 60);
    return text;
}

FakePanel::~FakePanel() {
    std::erase(toolkit.panels, this);
}

FakeWebView::~FakeWebView() {
    if (toolkit.web == this) toolkit.web = nullptr;
}

void FakeWebView::loadFile(const std::filesystem::path&, const std::filesystem::path&) {
    if (!toolkit.loadSeconds) return;
    if (*toolkit.loadSeconds <= 0) return onLoaded();
    // Only if this page is still the live one by then.
    toolkit.desk.after(Seconds{*toolkit.loadSeconds}, [&t = toolkit, n = toolkit.webViewsMade] {
        if (t.web && t.webViewsMade == n) t.web->onLoaded();
    });
}

void FakeWebView::showBreak(const BreakPage& page) {
    toolkit.shown.push_back(page);
    toolkit.shownTimes.push_back(toolkit.desk.clock.mono);
}

std::unique_ptr<Panel> FakeOverlayToolkit::makePanel(const PanelStyle& style) {
    auto made = std::make_unique<FakePanel>(style, *this);
    panels.push_back(made.get());
    return made;
}

std::unique_ptr<WebView> FakeOverlayToolkit::makeWebView(Panel&, double, double) {
    auto made = std::make_unique<FakeWebView>(*this);
    web = made.get();
    ++webViewsMade;
    return made;
}

MenuItem* findItem(const Menu& menu, std::string_view id) {
    for (auto* item : menu.items) {
        if (item->id == id) return item;
        if (auto* found = item->submenu ? findItem(*item->submenu, id) : nullptr) return found;
    }
    return nullptr;
}

} // namespace lumio::fake
