#pragma once

#include "ports/Platform.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace lumio::fake {

// Names of the calls the core made into the desktop, in order.
using Journal = std::vector<std::string>;

// Wall-clock time = an epoch + monotonic time + a jump offset, so tests can
// move the wall clock without moving the main loop's time.
class VirtualClock final : public Clock {
  public:
    explicit VirtualClock(double epoch) : epoch(epoch) {}
    Instant now() const override { return instantFromEpoch(epoch + mono + offset); }
    Seconds timeAsleep() const override { return Seconds{asleep}; }
    double monotonic() const { return mono; }
    void jump(double seconds) { offset += seconds; }
    void setMonotonic(double t) { mono = t; }
    // The machine is suspended: the wall clock moves on, timers do not.
    void suspend(double seconds) {
        offset += seconds;
        asleep += seconds;
    }

  private:
    double epoch;
    double mono = 0;
    double offset = 0;
    double asleep = 0;
};

// A deterministic main loop: ticks and delayed work run in time order as the
// test advances virtual time.
class FakeLoop final : public MainLoop {
  public:
    explicit FakeLoop(VirtualClock& clock) : clock(clock) {}
    void after(Seconds delay, std::function<void()> work) override;
    void startTicker(Seconds interval, Seconds tolerance, std::function<void()> onTick) override;

    void runFor(double seconds);
    Journal* journal = nullptr;
    double tickerInterval = 0;
    double tickerTolerance = 0;
    int tickers = 0;

  private:
    struct Task {
        double at;
        std::uint64_t order;
        std::function<void()> work;
    };
    VirtualClock& clock;
    std::vector<Task> tasks;
    std::function<void()> ticker;
    double nextTick = 0;
    std::uint64_t counter = 0;
};

class FakeStore final : public SettingsStore {
  public:
    std::optional<SettingValue> value(std::string_view key) const override;
    void setValue(std::string_view key, SettingValue v) override;
    void update(Edit edit) override;
    std::map<std::string, SettingValue, std::less<>> values;
    int writes = 0;
};

class FakeIdle final : public IdleSource {
  public:
    explicit FakeIdle(const VirtualClock& clock) : clock(clock) {}
    double secondsSinceLastInput() override { return clock.monotonic() - lastInput; }
    void touch() { lastInput = clock.monotonic(); }
    // The last input was this long ago.
    void touchedAgo(double seconds) { lastInput = clock.monotonic() - seconds; }

  private:
    const VirtualClock& clock;
    double lastInput = 0;
};

class FakeSystemEvents final : public SystemEvents {
  public:
    void observe(SystemEventHandlers h) override {
        if (journal) journal->push_back("observeSystem");
        handlers = std::move(h);
    }
    void wake() { handlers.onWake(); }
    void lock() { handlers.onLock(); }
    void unlock() { handlers.onUnlock(); }
    SystemEventHandlers handlers;
    Journal* journal = nullptr;
};

class FakeStatusItem final : public StatusItem {
  public:
    bool setImage(std::string_view name, int size) override;
    void setToolTip(std::string_view text) override { toolTip = text; }
    void setMenu(Menu& m, MenuDelegate& d) override;
    void menuChanged() override { ++changes; }
    bool menuOnScreen() const override { return onScreen; }
    void setAppearsDisabled(bool d) override {
        if (journal) journal->push_back("setAppearsDisabled");
        disabled = d;
    }
    void popUpMenu() override { ++popUps; }

    std::string image;
    int imageSize = 0;
    std::string toolTip;
    Menu* menu = nullptr;
    MenuDelegate* delegate = nullptr;
    bool disabled = false;
    int changes = 0;
    bool onScreen = false; // the menu is drawn by Lumio itself and shown
    int popUps = 0;
    Journal* journal = nullptr;
};

class FakeStatusBar final : public StatusBar {
  public:
    std::unique_ptr<StatusItem> makeStatusItem() override;
    FakeStatusItem* item = nullptr;
    Journal* journal = nullptr;
};

class FakeOverlayToolkit;

class FakePanel final : public Panel {
  public:
    FakePanel(PanelStyle style, MainLoop& loop, FakeOverlayToolkit& toolkit)
        : style(style), loop(loop), toolkit(toolkit) {}
    ~FakePanel() override;
    FakePanel(const FakePanel&) = delete;
    FakePanel& operator=(const FakePanel&) = delete;
    void setFrame(Rect f) override { frame = f; }
    void orderFront() override { visible = true; }
    void orderOut() override { visible = false; }
    bool isVisible() const override { return visible; }
    void setAlpha(double a) override;
    void animateAlpha(double to, Seconds duration, std::function<void()> completion) override;

    PanelStyle style;
    Rect frame;
    bool visible = false;
    double alpha = 1.0;
    int fades = 0;

  private:
    MainLoop& loop;
    FakeOverlayToolkit& toolkit;
    std::shared_ptr<std::uint64_t> generation = std::make_shared<std::uint64_t>(0);
};

// Scripts evaluated in any of the toolkit's web views go to the toolkit's list.
class FakeWebView final : public WebView {
  public:
    FakeWebView(MainLoop& loop, FakeOverlayToolkit& toolkit) : loop(loop), toolkit(toolkit) {}
    ~FakeWebView() override;
    FakeWebView(const FakeWebView&) = delete;
    FakeWebView& operator=(const FakeWebView&) = delete;
    void loadFile(const std::filesystem::path& f, const std::filesystem::path& dir) override;
    void evaluate(const std::string& script) override;
    void setOnFinish(std::function<void()> f) override { onFinish = std::move(f); }
    void setOnMessage(std::function<void(const std::optional<std::string>&)> f) override {
        onMessage = std::move(f);
    }
    void setOnFail(std::function<void()> f) override { onFail = std::move(f); }
    void finishLoading() { onFinish(); }
    void post(const std::optional<std::string>& body) { onMessage(body); }
    void fail() { onFail(); }

    std::filesystem::path file;
    std::filesystem::path readAccess;
    Journal* journal = nullptr;

  private:
    MainLoop& loop;
    FakeOverlayToolkit& toolkit;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
    std::function<void()> onFinish;
    std::function<void(const std::optional<std::string>&)> onMessage;
    std::function<void()> onFail;
};

class FakeScreens final : public Screens {
  public:
    std::vector<Screen> screens() const override { return list; }
    std::optional<Screen> mainScreen() const override { return main; }
    Point pointer() const override { return at; }
    std::vector<Screen> list;
    std::optional<Screen> main;
    Point at;
};

class FakeOverlayToolkit final : public OverlayToolkit {
  public:
    explicit FakeOverlayToolkit(MainLoop& loop) : loop(loop) {}
    Seconds preparationTime() const override { return Seconds{preparation}; }
    std::unique_ptr<Panel> makePanel(const PanelStyle& style) override;
    std::unique_ptr<WebView> makeWebView(Panel& host, double width, double height) override;
    const Screens& screens() const override { return fakeScreens; }
    std::filesystem::path resourceDirectory() const override { return "/res"; }

    FakeScreens fakeScreens;
    double preparation = 0;
    // Seconds from loadFile to a loaded page: 0 loads within loadFile,
    // nullopt never.
    std::optional<double> loadSeconds = 0.0;
    std::vector<FakePanel*> panels; // the live ones, in creation order
    FakeWebView* web = nullptr;     // the live one
    int webViewsMade = 0;
    std::vector<std::string> scripts;    // evaluated in any web view, in order
    const VirtualClock* clock = nullptr; // when set, evaluatedAt records monotonic times
    std::vector<double> evaluatedAt;
    Journal* journal = nullptr;

  private:
    MainLoop& loop;
};

class FakeSound final : public Sound {
  public:
    explicit FakeSound(int& plays, int& stops) : plays(plays), stops(stops) {}
    void stop() override { ++stops; }
    void play() override { ++plays; }

  private:
    int& plays;
    int& stops;
};

class FakeAudio final : public Audio {
  public:
    std::unique_ptr<Sound> makeSound(std::vector<std::uint8_t> wav) override;
    bool refuse = false;
    int made = 0;
    int plays = 0;
    int stops = 0;
    std::size_t wavSize = 0;
};

class FakeLoginItem final : public LoginItem {
  public:
    std::optional<std::string> registerItem() override;
    std::optional<std::string> unregisterItem() override;
    LoginItemStatus status() const override { return current; }
    LoginItemStatus current = LoginItemStatus::NotRegistered;
    std::optional<std::string> failure; // the next calls fail with this text
    std::vector<bool> calls;            // true: register
};

class FakeAlerts final : public Alerts {
  public:
    int runModal(const Alert& alert) override;
    std::vector<Alert> shown;
    int answer = ALERT_FIRST_BUTTON + 1;
};

class FakeLocale final : public LocaleFormat {
  public:
    std::string shortTime(Instant t) const override; // "HH:MM", local time
};

class FakeRandom final : public RandomSource {
  public:
    std::uint32_t uniform(std::uint32_t bound) override;
    std::mt19937 engine{12345};
};

class FakeApplication final : public Application {
  public:
    void activate() override { ++activations; }
    void terminate() override { ++terminations; }
    int activations = 0;
    int terminations = 0;
};

// All fakes together, wired into one Platform.
struct FakeDesktop {
    explicit FakeDesktop(double epoch);
    Journal journal;
    VirtualClock clock;
    FakeLoop loop{clock};
    FakeStore store;
    FakeIdle idle{clock};
    FakeSystemEvents events;
    FakeStatusBar statusBar;
    FakeOverlayToolkit overlay{loop};
    FakeAudio audio;
    FakeLoginItem loginItem;
    FakeAlerts alerts;
    FakeLocale locale;
    FakeRandom random;
    FakeApplication application;
    Platform platform{clock, loop,      store,  idle,   events, statusBar,  overlay,
                      audio, loginItem, alerts, locale, random, application};
};

// The item at a path of titles, e.g. {"Nhắc mỗi", "30 phút"}; null if absent.
MenuItem* findItem(const Menu& menu, const std::vector<std::string>& path);

} // namespace lumio::fake
