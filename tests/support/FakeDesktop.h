#pragma once

#include "ports/Platform.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace lumio::fake {

// Wall-clock time = an epoch + monotonic time + a jump offset, so tests can
// move the wall clock without moving the main loop's time.
class VirtualClock final : public Clock {
  public:
    explicit VirtualClock(double epoch) : epoch(epoch) {}
    Instant now() const override { return instantFromEpoch(epoch + mono + offset); }
    Seconds timeAsleep() const override { return Seconds{asleep}; }
    void jump(double seconds) { offset += seconds; }
    // The machine is suspended: the wall clock moves on, timers do not.
    void suspend(double seconds) {
        offset += seconds;
        asleep += seconds;
    }
    double epoch, mono = 0, offset = 0, asleep = 0;
};

// A deterministic main loop: ticks and delayed work run in time order as the
// test advances virtual time.
class FakeLoop final : public MainLoop {
  public:
    explicit FakeLoop(VirtualClock& clock) : clock(clock) {}
    void after(Seconds delay, std::function<void()> work) override;
    void every(Seconds interval, std::function<void()> work) override;
    void quit() override { ++quits; }
    void runFor(double seconds);
    int quits = 0;

  private:
    struct Task {
        double at;
        std::uint64_t order;
        std::function<void()> work;
        double period; // 0: once
    };
    VirtualClock& clock;
    std::vector<Task> tasks;
    std::uint64_t counter = 0;
};

// Its own editor: it can always read its values.
class FakeStore final : public SettingsStore, public SettingsEditor {
  public:
    std::optional<SettingValue> value(std::string_view key) const override;
    void setValue(std::string_view key, SettingValue v) override;
    void update(Edit edit) override { edit(*this); }
    std::map<std::string, SettingValue, std::less<>> values;
    int writes = 0;
};

class FakeIdle final : public IdleMonitor {
  public:
    explicit FakeIdle(const VirtualClock& clock) : clock(clock) {}
    double secondsSinceLastInput() override { return clock.mono - lastInput; }
    // The last input was this long ago.
    void touchedAgo(double seconds = 0) { lastInput = clock.mono - seconds; }

  private:
    const VirtualClock& clock;
    double lastInput = 0;
};

class FakeSession final : public SessionEvents {
  public:
    void watch(SessionEventHandlers h) override { handlers = std::move(h); }
    SessionEventHandlers handlers;
};

class FakeTray final : public TrayIcon {
  public:
    bool setIcon(std::string_view name, int) override { return !(icon = name).empty(); }
    void setToolTip(std::string_view text) override { toolTip = text; }
    void setMenu(Menu& m, MenuListener& l) override { menu = &m, listener = &l; }
    void menuChanged() override { ++changes; }
    bool menuOnScreen() const override { return onScreen; }
    void setPaused(bool p) override { paused = p; }
    void popUpMenu() override { ++popUps; }
    std::string icon, toolTip;
    Menu* menu = nullptr;
    MenuListener* listener = nullptr;
    bool paused = false, onScreen = false; // onScreen: Lumio draws the menu, and it is shown
    int changes = 0, popUps = 0;
};

class FakeOverlayToolkit;

class FakePanel final : public Panel {
  public:
    FakePanel(PanelStyle style, FakeOverlayToolkit& toolkit) : style(style), toolkit(toolkit) {}
    ~FakePanel() override;
    void setGeometry(Rect g) override { geometry = g; }
    void show() override { visible = true; }
    void hide() override { visible = false; }
    bool isVisible() const override { return visible; }
    void setOpacity(double o) override;
    void fadeTo(double opacity, Seconds duration, std::function<void()> completion) override;
    PanelStyle style;
    Rect geometry;
    bool visible = false;
    double opacity = 1.0;
    int fades = 0;

  private:
    FakeOverlayToolkit& toolkit;
    std::shared_ptr<std::uint64_t> generation = std::make_shared<std::uint64_t>(0);
};

// Scripts run in any of the toolkit's web views go to the toolkit's list.
class FakeWebView final : public WebView {
  public:
    explicit FakeWebView(FakeOverlayToolkit& toolkit) : toolkit(toolkit) {}
    ~FakeWebView() override;
    void loadFile(const std::filesystem::path& f, const std::filesystem::path& dir) override;
    void runJavaScript(const std::string& script) override;
    void setOnLoaded(std::function<void()> f) override { onLoaded = std::move(f); }
    void setOnMessage(std::function<void(const std::optional<std::string>&)> f) override {
        onMessage = std::move(f);
    }
    void setOnFail(std::function<void()> f) override { onFail = std::move(f); }
    std::filesystem::path file, readAccess;
    std::function<void()> onLoaded, onFail;
    std::function<void(const std::optional<std::string>&)> onMessage;

  private:
    FakeOverlayToolkit& toolkit;
};

class FakeScreens final : public Screens {
  public:
    std::vector<Screen> screens() const override { return list; }
    std::optional<Screen> primaryScreen() const override { return primary; }
    Point pointerPosition() const override { return at; }
    std::vector<Screen> list;
    std::optional<Screen> primary;
    Point at;
};

class FakeOverlayToolkit final : public OverlayToolkit {
  public:
    FakeOverlayToolkit(FakeLoop& loop, const VirtualClock& clock) : loop(loop), clock(clock) {}
    Seconds preparationTime() const override { return Seconds{preparation}; }
    std::unique_ptr<Panel> makePanel(const PanelStyle& style) override;
    std::unique_ptr<WebView> makeWebView(Panel& host, double width, double height) override;
    const Screens& screens() const override { return fakeScreens; }
    std::filesystem::path resourceDirectory() const override { return "/res"; }
    // Tells the page's reply to the live web view, as the page would.
    void post(const std::string& body) { web->onMessage(body); }

    FakeScreens fakeScreens;
    double preparation = 0;
    // Seconds from loadFile to a loaded page: 0 loads within loadFile, nullopt never.
    std::optional<double> loadSeconds = 0.0;
    std::vector<FakePanel*> panels; // the live ones, in creation order
    FakeWebView* web = nullptr;     // the live one
    int webViewsMade = 0;
    std::vector<std::string> scripts; // run in any web view, in order
    std::vector<double> scriptTimes;  // monotonic
    FakeLoop& loop;
    const VirtualClock& clock;
};

class FakeAudio final : public AudioOutput {
  public:
    struct FakeSound final : Sound {
        explicit FakeSound(FakeAudio& audio) : audio(audio) {}
        void play() override { ++audio.plays; }
        void stop() override { ++audio.stops; }
        FakeAudio& audio;
    };
    std::unique_ptr<Sound> load(std::vector<std::uint8_t>) override {
        ++loads;
        return refuse ? nullptr : std::make_unique<FakeSound>(*this);
    }
    bool refuse = false;
    int loads = 0, plays = 0, stops = 0;
};

class FakeAutostart final : public AutostartEntry {
  public:
    std::optional<std::string> install() override { return set(true); }
    std::optional<std::string> remove() override { return set(false); }
    bool isInstalled() const override { return installed; }
    std::optional<std::string> set(bool on) {
        if (!failure) installed = on;
        return failure;
    }
    bool installed = false;
    std::optional<std::string> failure; // the next calls fail with this text
};

class FakeDialogs final : public Dialogs {
  public:
    std::optional<std::size_t> ask(const MessageDialog& dialog) override {
        shown.push_back(dialog);
        return answer;
    }
    std::vector<MessageDialog> shown;
    std::optional<std::size_t> answer = 1;
};

// "HH:MM" in UTC, the tests' time zone.
class FakeLocale final : public LocaleFormat {
  public:
    std::string shortTime(Instant t) const override {
        const auto minutes = static_cast<long>(epochSeconds(t)) / 60;
        char text[8];
        std::snprintf(text, sizeof text, "%02ld:%02ld", minutes / 60 % 24, minutes % 60);
        return text;
    }
};

class FakeRandom final : public RandomSource {
  public:
    std::uint32_t uniform(std::uint32_t bound) override {
        return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(engine);
    }
    std::mt19937 engine{12345};
};

// All fakes together, wired into one Platform.
struct FakeDesktop {
    explicit FakeDesktop(double epoch) : clock(epoch) {}
    VirtualClock clock;
    FakeLoop loop{clock};
    FakeStore store;
    FakeIdle idle{clock};
    FakeSession session;
    FakeTray tray;
    FakeOverlayToolkit overlay{loop, clock};
    FakeAudio audio;
    FakeAutostart autostart;
    FakeDialogs dialogs;
    FakeLocale locale;
    FakeRandom random;
    Platform platform{clock,   loop,  store,     idle,    session, tray,
                      overlay, audio, autostart, dialogs, locale,  random};
};

// The item with this id anywhere in the menu or its submenus; null if absent.
MenuItem* findItem(const Menu& menu, std::string_view id);

} // namespace lumio::fake
