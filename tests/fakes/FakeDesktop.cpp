#include "fakes/FakeDesktop.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <ctime>

namespace lumio::fake {

void FakeLoop::after(Seconds delay, std::function<void()> work) {
    tasks.push_back({clock.monotonic() + delay.count(), counter++, std::move(work)});
}

void FakeLoop::startTicker(Seconds interval, Seconds tolerance, std::function<void()> onTick) {
    if (journal) journal->push_back("startTicker");
    ++tickers;
    tickerInterval = interval.count();
    tickerTolerance = tolerance.count();
    ticker = std::move(onTick);
    nextTick = clock.monotonic() + tickerInterval;
}

void FakeLoop::runFor(double seconds) {
    const double end = clock.monotonic() + seconds;
    for (;;) {
        const auto task =
            std::min_element(tasks.begin(), tasks.end(), [](const Task& a, const Task& b) {
                return a.at < b.at || (a.at == b.at && a.order < b.order);
            });
        const double taskAt = task == tasks.end() ? INFINITY : task->at;
        const double tickAt = ticker ? nextTick : INFINITY;
        const double at = std::min(taskAt, tickAt);
        if (at > end) break;
        clock.setMonotonic(std::max(at, clock.monotonic()));
        if (taskAt <= tickAt) {
            auto work = std::move(task->work);
            tasks.erase(task);
            work();
        } else {
            nextTick += tickerInterval;
            ticker();
        }
    }
    clock.setMonotonic(end);
}

std::optional<SettingValue> FakeStore::value(std::string_view key) const {
    if (const auto it = values.find(key); it != values.end()) return it->second;
    return std::nullopt;
}

void FakeStore::setValue(std::string_view key, SettingValue v) {
    ++writes;
    values.insert_or_assign(std::string(key), std::move(v));
}

namespace {

// Reads and writes go straight to the store: it can always read its values.
class FakeEditor final : public SettingsEditor {
  public:
    explicit FakeEditor(FakeStore& store) : store(store) {}
    std::optional<SettingValue> value(std::string_view key) const override {
        return store.value(key);
    }
    void setValue(std::string_view key, SettingValue v) override {
        store.setValue(key, std::move(v));
    }

  private:
    FakeStore& store;
};

} // namespace

void FakeStore::update(Edit edit) {
    FakeEditor editor(*this);
    edit(editor);
}

bool FakeStatusItem::setImage(std::string_view name, int size) {
    image = name;
    imageSize = size;
    return true;
}

void FakeStatusItem::setMenu(Menu& m, MenuDelegate& d) {
    if (journal) journal->push_back("setMenu");
    menu = &m;
    delegate = &d;
}

std::unique_ptr<StatusItem> FakeStatusBar::makeStatusItem() {
    if (journal) journal->push_back("makeStatusItem");
    auto made = std::make_unique<FakeStatusItem>();
    made->journal = journal;
    item = made.get();
    return made;
}

FakePanel::~FakePanel() {
    std::erase(toolkit.panels, this);
}

void FakePanel::setAlpha(double a) {
    ++*generation;
    alpha = a;
}

void FakePanel::animateAlpha(double to, Seconds duration, std::function<void()> completion) {
    ++fades;
    const auto mine = ++*generation;
    loop.after(duration, [this, weak = std::weak_ptr(generation), mine, to,
                          completion = std::move(completion)] {
        const auto current = weak.lock();
        if (!current || mine != *current) return;
        alpha = to;
        if (completion) completion();
    });
}

FakeWebView::~FakeWebView() {
    if (toolkit.web == this) toolkit.web = nullptr;
}

void FakeWebView::loadFile(const std::filesystem::path& f, const std::filesystem::path& dir) {
    if (journal) journal->push_back("loadFile");
    file = f;
    readAccess = dir;
    if (!toolkit.loadSeconds) return;
    if (*toolkit.loadSeconds <= 0) {
        finishLoading();
        return;
    }
    loop.after(Seconds{*toolkit.loadSeconds}, [this, weak = std::weak_ptr(alive)] {
        if (weak.lock()) finishLoading();
    });
}

void FakeWebView::evaluate(const std::string& script) {
    toolkit.scripts.push_back(script);
    if (toolkit.clock) toolkit.evaluatedAt.push_back(toolkit.clock->monotonic());
}

std::unique_ptr<Panel> FakeOverlayToolkit::makePanel(const PanelStyle& style) {
    if (journal) journal->push_back("makePanel");
    auto made = std::make_unique<FakePanel>(style, loop, *this);
    panels.push_back(made.get());
    return made;
}

std::unique_ptr<WebView> FakeOverlayToolkit::makeWebView(Panel&, double, double) {
    if (journal) journal->push_back("makeWebView");
    auto made = std::make_unique<FakeWebView>(loop, *this);
    made->journal = journal;
    web = made.get();
    ++webViewsMade;
    return made;
}

std::unique_ptr<Sound> FakeAudio::makeSound(std::vector<std::uint8_t> wav) {
    ++made;
    wavSize = wav.size();
    if (refuse) return nullptr;
    return std::make_unique<FakeSound>(plays, stops);
}

std::optional<std::string> FakeLoginItem::registerItem() {
    calls.push_back(true);
    if (failure) return failure;
    current = LoginItemStatus::Enabled;
    return std::nullopt;
}

std::optional<std::string> FakeLoginItem::unregisterItem() {
    calls.push_back(false);
    if (failure) return failure;
    current = LoginItemStatus::NotRegistered;
    return std::nullopt;
}

int FakeAlerts::runModal(const Alert& alert) {
    shown.push_back(alert);
    return answer;
}

std::string FakeLocale::shortTime(Instant t) const {
    const auto secs = static_cast<std::time_t>(std::floor(epochSeconds(t)));
    std::tm local{};
    localtime_r(&secs, &local);
    std::array<char, 16> text{};
    std::strftime(text.data(), text.size(), "%H:%M", &local);
    return text.data();
}

std::uint32_t FakeRandom::uniform(std::uint32_t bound) {
    return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(engine);
}

FakeDesktop::FakeDesktop(double epoch) : clock(epoch) {
    loop.journal = &journal;
    events.journal = &journal;
    statusBar.journal = &journal;
    overlay.journal = &journal;
}

MenuItem* findItem(const Menu& menu, const std::vector<std::string>& path) {
    const Menu* level = &menu;
    MenuItem* found = nullptr;
    for (const auto& title : path) {
        if (level == nullptr) return nullptr;
        const auto it = std::find_if(level->items.begin(), level->items.end(),
                                     [&](const MenuItem* i) { return i->title == title; });
        if (it == level->items.end()) return nullptr;
        found = *it;
        level = found->submenu;
    }
    return found;
}

} // namespace lumio::fake
