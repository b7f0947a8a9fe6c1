#include "support/FakeDesktop.h"

#include <algorithm>
#include <cstdio>

namespace lumio::fake {

void FakeDesktop::after(Seconds delay, std::function<void()> work) {
    tasks.push_back({clock.mono + delay.count(), 0, std::make_shared<const Work>(std::move(work))});
}

void FakeDesktop::every(Seconds interval, std::function<void()> work) {
    std::erase_if(tasks, [](const Task& task) { return task.period > 0; });
    tasks.push_back({clock.mono + interval.count(), interval.count(),
                     std::make_shared<const Work>(std::move(work))});
}

void FakeDesktop::runFor(double seconds) {
    const double end = clock.mono + seconds;
    for (;;) {
        // At the same instant one-off work runs before the ticker, else the earlier given.
        const auto next = std::ranges::min_element(tasks, [](const Task& a, const Task& b) {
            return std::pair(a.at, a.period > 0) < std::pair(b.at, b.period > 0);
        });
        if (next == tasks.end() || next->at > end) break;
        clock.mono = std::max(next->at, clock.mono);
        const auto work = next->work; // the task list may change while it runs
        if (next->period > 0) {
            next->at += next->period;
        } else {
            tasks.erase(next);
        }
        (*work)();
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
