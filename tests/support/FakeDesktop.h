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

// Wall-clock time = an epoch + monotonic time + a jump offset, so tests can
// move the wall clock without moving the main loop's time.
class VirtualClock final : public Clock {
  public:
    explicit VirtualClock(double epoch) : epoch(epoch) {}
    Instant now() const override { return instantFromEpoch(epoch + mono + offset); }
    Seconds timeAsleep() const override { return Seconds{asleep}; }
    // Suspended: the wall clock moves on, timers do not. Either way the main
    // loop hears of it, as a timer on the wall clock does.
    void jump(double seconds, bool asleepMeanwhile = false) {
        offset += seconds;
        asleep += asleepMeanwhile ? seconds : 0;
        set = true;
    }
    double epoch, mono = 0, offset = 0, asleep = 0;
    bool set = false; // since the main loop last looked
};

class FakeDesktop;
class FakeOverlayToolkit;

class FakePanel final : public Panel {
  public:
    FakePanel(PanelStyle style, FakeOverlayToolkit& toolkit) : style(style), toolkit(toolkit) {}
    ~FakePanel() override;
    void setGeometry(Rect g) override { geometry = g; }
    void show() override { visible = true; }
    void hide() override { visible = false; }
    bool isVisible() const override { return visible; }
    void setOpacity(double o) override { opacity = o; }
    // At once: a fade never outlasts the call.
    void fadeTo(double to, Seconds, std::function<void()> completion) override {
        ++fades;
        fadedFrom = opacity;
        opacity = to;
        if (completion) completion();
    }
    PanelStyle style;
    Rect geometry;
    bool visible = false;
    double opacity = 1.0, fadedFrom = 1.0;
    int fades = 0;

  private:
    FakeOverlayToolkit& toolkit;
};

class FakeWebView final : public WebView {
  public:
    explicit FakeWebView(FakeOverlayToolkit& toolkit) : toolkit(toolkit) {}
    ~FakeWebView() override;
    void loadFile(const std::filesystem::path& f, const std::filesystem::path& dir) override;
    void showBreak(const BreakPage& page) override;
    void setOnLoaded(std::function<void()> f) override { onLoaded = std::move(f); }
    void setOnEvent(std::function<void(PageEvent)> f) override { onEvent = std::move(f); }
    void setOnFail(std::function<void(PageFailure)> f) override { onFail = std::move(f); }
    std::function<void()> onLoaded;
    std::function<void(PageEvent)> onEvent;
    std::function<void(PageFailure)> onFail;

  private:
    FakeOverlayToolkit& toolkit;
};

class FakeOverlayToolkit final : public OverlayToolkit {
  public:
    FakeOverlayToolkit(FakeDesktop& desk, const Screens& all) : desk(desk), all(all) {}
    Seconds preparationTime() const override { return Seconds{preparation}; }
    std::unique_ptr<Panel> makePanel(const PanelStyle& style) override;
    std::unique_ptr<WebView> makeWebView(Panel& host, double width, double height) override;
    const Screens& screens() const override { return all; }
    std::filesystem::path resourceDirectory() const override { return "/res"; }
    void post(PageEvent event) { web->onEvent(event); }

    FakeDesktop& desk;
    const Screens& all;
    double preparation = 0;
    // Seconds from loadFile to a loaded page: 0 loads within loadFile, nullopt never.
    std::optional<double> loadSeconds = 0.0;
    std::vector<FakePanel*> panels; // the live ones, in creation order
    FakeWebView* web = nullptr;     // the live one
    int webViewsMade = 0;
    std::vector<BreakPage> shown;   // by any web view, in order
    std::vector<double> shownTimes; // monotonic
};

// Every port but the clock and the overlay's, with state the tests read and set; its
// main loop runs the work due as the test advances virtual time.
class FakeDesktop final : public MainLoop,
                          public SettingsStore,
                          public SettingsEditor, // the store is its own editor
                          public IdleMonitor,
                          public SessionEvents,
                          public TrayIcon,
                          public AudioOutput,
                          public AutostartEntry,
                          public Dialogs,
                          public Screens,
                          public LocaleFormat,
                          public RandomSource,
                          public InstalledProgram {
  public:
    explicit FakeDesktop(double epoch) : clock(epoch) {}
    void after(Seconds delay, std::function<void()> work) override;
    void runWhenDue(std::function<std::optional<Instant>()> nextDue,
                    std::function<void()> work) override;
    void quit() override {
        ++quits;
        tasks.clear();
        due = {};
    }
    void runFor(double seconds);
    std::optional<SettingValue> value(std::string_view key) const override;
    void setValue(std::string_view key, SettingValue v) override;
    void update(Edit edit) override { edit(*this); }
    void watch(Seconds threshold, std::function<void()> crossed) override {
        idleThreshold = threshold.count();
        idleCrossed = std::move(crossed);
    }
    bool tellsCrossings() const override { return crossingsTold; }
    double secondsSinceLastInput() override {
        ++idleQuestions;
        return clock.mono - lastInput;
    }
    // The user's last input was that long ago; a desktop that tells crossings
    // tells this one if it is one.
    void touchedAgo(double seconds);
    // The instant the main loop was last told to wake for, on the monotonic clock.
    std::optional<double> wakeAt() const;
    void watch(SessionEventHandlers h) override { session = std::move(h); }
    bool setIcon(std::string_view name, int) override { return !(icon = name).empty(); }
    void setToolTip(std::string_view) override {}
    void setMenu(Menu& m, MenuListener& l) override {
        trayMenu = &m;
        menu = &l;
    }
    void menuChanged() override { ++menuChanges; }
    bool menuOnScreen() const override { return onScreen; }
    void setPaused(bool p) override { paused = p; }
    void popUpMenu() override { ++popUps; }
    std::unique_ptr<Sound> load(std::vector<std::uint8_t> wav) override;
    std::optional<std::string> install() override { return setAutostart(true); }
    std::optional<std::string> remove() override { return setAutostart(false); }
    bool isInstalled() const override { return installed; }
    std::optional<std::size_t> ask(const MessageDialog& d) override {
        return dialogs.push_back(d), answer;
    }
    std::vector<Screen> screens() const override { return screenList; }
    std::optional<Screen> primaryScreen() const override { return primary; }
    Point pointerPosition() const override { return pointer; }
    std::string shortTime(Instant t) const override; // "HH:MM" in UTC
    bool wasReplaced() const override { return replaced; }
    void relaunch(std::vector<std::string> arguments) override {
        relaunchedWith = std::move(arguments);
        quit();
    }
    std::uint32_t uniform(std::uint32_t bound) override {
        return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(engine);
    }

    VirtualClock clock;
    std::map<std::string, SettingValue, std::less<>> values;
    double lastInput = 0;
    std::optional<double> idleThreshold; // as told by watch()
    bool crossingsTold = true;           // as the Wayland and GNOME desktops do
    int idleQuestions = 0, steps = 0;
    SessionEventHandlers session;
    Menu* trayMenu = nullptr;
    MenuListener* menu = nullptr;
    std::string icon;
    // onScreen: Lumio draws the menu, and it is shown.
    bool paused = false, onScreen = false, refuseSound = false, installed = false, replaced = false;
    int writes = 0, menuChanges = 0, popUps = 0, quits = 0, soundLoads = 0, plays = 0, stops = 0;
    std::optional<std::string> autostartFailure; // the next changes fail with this text
    std::vector<MessageDialog> dialogs;
    std::optional<std::size_t> answer = 1;
    std::optional<std::vector<std::string>> relaunchedWith;
    std::vector<Screen> screenList{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
    std::optional<Screen> primary;
    Point pointer;
    std::mt19937 engine{12345};
    FakeOverlayToolkit overlay{*this, *this};
    Platform platform{clock, *this, *this, *this, *this, *this, overlay,
                      *this, *this, *this, *this, *this, *this};

  private:
    std::optional<std::string> setAutostart(bool on) {
        if (!autostartFailure) installed = on;
        return autostartFailure;
    }
    void tellCrossing();
    using Work = std::function<void()>;
    struct Task {
        double at;
        std::shared_ptr<const Work> work;
    };
    std::vector<Task> tasks; // in the order given
    struct Due {
        std::function<std::optional<Instant>()> next;
        std::shared_ptr<const Work> work;
    } due;
    std::function<void()> idleCrossed;
    bool toldIdle = false; // the last crossing told was into idleness
};

// The item with this id anywhere in the menu or its submenus; null if absent.
MenuItem* findItem(const Menu& menu, std::string_view id);

} // namespace lumio::fake
