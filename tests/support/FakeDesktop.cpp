#include "support/FakeDesktop.h"

#include <algorithm>
#include <tuple>

namespace lumio::fake {

void FakeLoop::after(Seconds delay, std::function<void()> work) {
    tasks.push_back({clock.mono + delay.count(), counter++, std::move(work), 0});
}

void FakeLoop::every(Seconds interval, std::function<void()> work) {
    tasks.push_back({clock.mono + interval.count(), counter++, std::move(work), interval.count()});
}

void FakeLoop::runFor(double seconds) {
    const double end = clock.mono + seconds;
    for (;;) {
        // At the same instant, one-off work runs before the ticker.
        const auto next = std::ranges::min_element(tasks, [](const Task& a, const Task& b) {
            return std::tuple(a.at, a.period > 0, a.order) <
                   std::tuple(b.at, b.period > 0, b.order);
        });
        if (next == tasks.end() || next->at > end) break;
        clock.mono = std::max(next->at, clock.mono);
        if (next->period > 0) {
            next->at += next->period;
            auto work = next->work; // the task list may grow while it runs
            work();
        } else {
            auto work = std::move(next->work);
            tasks.erase(next);
            work();
        }
    }
    clock.mono = end;
}

std::optional<SettingValue> FakeStore::value(std::string_view key) const {
    if (const auto it = values.find(key); it != values.end()) return it->second;
    return std::nullopt;
}

void FakeStore::setValue(std::string_view key, SettingValue v) {
    ++writes;
    values.insert_or_assign(std::string(key), std::move(v));
}

FakePanel::~FakePanel() {
    std::erase(toolkit.panels, this);
}

void FakePanel::setOpacity(double o) {
    ++*generation;
    opacity = o;
}

void FakePanel::fadeTo(double to, Seconds duration, std::function<void()> completion) {
    ++fades;
    const auto mine = ++*generation;
    toolkit.loop.after(duration, [this, weak = std::weak_ptr(generation), mine, to,
                                  completion = std::move(completion)] {
        const auto current = weak.lock();
        if (!current || mine != *current) return;
        opacity = to;
        if (completion) completion();
    });
}

FakeWebView::~FakeWebView() {
    if (toolkit.web == this) toolkit.web = nullptr;
}

void FakeWebView::loadFile(const std::filesystem::path& f, const std::filesystem::path& dir) {
    file = f;
    readAccess = dir;
    if (!toolkit.loadSeconds) return;
    if (*toolkit.loadSeconds <= 0) {
        onLoaded();
        return;
    }
    // Only if this page is still the live one by then.
    toolkit.loop.after(Seconds{*toolkit.loadSeconds},
                       [&toolkit = toolkit, n = toolkit.webViewsMade] {
                           if (toolkit.web && toolkit.webViewsMade == n) toolkit.web->onLoaded();
                       });
}

void FakeWebView::runJavaScript(const std::string& script) {
    toolkit.scripts.push_back(script);
    toolkit.scriptTimes.push_back(toolkit.clock.mono);
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
