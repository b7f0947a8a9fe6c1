#pragma once

#include "overlay/Overlay.h"
#include "ports/Platform.h"
#include "prefs/Prefs.h"
#include "sound/Chime.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace lumio {

// Owns all running state and wires the subsystems together. Its operations
// live in the folders of the subsystems they belong to.
class App final : public MenuDelegate {
  public:
    App(Platform& platform, std::vector<std::string> arguments);
    App(const App&) = delete;
    App& operator=(const App&) = delete;
    ~App() override = default;

    // Launch (app/App.cpp), called once when the main loop is up.
    void applicationDidFinishLaunching();

    // Scheduler (schedule/Scheduler.cpp).
    void restart();
    void tick();
    // Another program (or the user, by hand) changed the settings file.
    void settingsChangedElsewhere();
    // Makes the break's panels and page ahead of a break, drops them after
    // (schedule/OverlayLife.cpp); runs after every tick and as the menu opens.
    void tendOverlay();

    // Breaks and the user's answers (schedule/Breaks.cpp, schedule/AnimalPicker.cpp).
    void showBreak();
    void breakNow();
    void handle(const std::string& message);
    void togglePause();
    void toggleEnabled();
    std::string pickAnimal();

    // Status item and menu (menubar/).
    void buildStatusItem();
    void runAction(MenuItem& item);
    void refreshMenu();
    void refreshIcon();
    void menuWillOpen() override;
    void menuInUse() override;
    void menuDidClose() override;
    void quit();

    // Requests from launchers and from a second launch (app/ApplicationActions.cpp):
    // an action by its name, false when there is no such action; and the
    // menu popped up where the user can reach it.
    bool activateAction(std::string_view name);
    void activate();

    // Desktop events and launch at login (app/).
    void observeSystem();
    void wake();
    void setLaunchAtLogin(bool on);

    // State the tests and the desktop look at.
    const Menu* mainMenu() const { return menu; }
    const Prefs& preferences() const { return prefs; }
    Prefs& preferences() { return prefs; }
    const Overlay* breakOverlay() const { return overlay.get(); }
    std::optional<Instant> nextBreakAt() const { return nextBreak; }
    std::optional<Instant> pausedUntilAt() const { return pausedUntil; }
    bool isAway() const { return away; }
    bool isLocked() const { return locked; }

  private:
    using Choices = std::vector<std::pair<std::string, std::int64_t>>;

    MenuItem& submenu(std::string title, const Choices& choices,
                      std::function<std::int64_t()> current, std::function<void(std::int64_t)> set);
    MenuItem& toggle(std::string title, std::function<bool()> get, std::function<void(bool)> set);
    MenuItem& newItem(std::string title, std::function<void()> action = {});
    Menu& newMenu();
    void welcome();
    bool pauseInForce() const;
    bool sleptSinceLastLook();
    void holdMenuOpen();
    Instant now() const { return platform.clock.now(); }
    double intervalLead() const;
    double cycleLead() const;
    std::optional<Instant> comingBreak() const;
    // Work that must not run once the App is gone.
    template <typename F> auto weakly(F f) {
        return [alive = std::weak_ptr<bool>(lifeToken), f = std::move(f)](auto&&... args) {
            if (alive.lock()) f(std::forward<decltype(args)>(args)...);
        };
    }

    Platform& platform;
    std::vector<std::string> arguments;
    Prefs prefs;
    Chime chime;

    std::unique_ptr<StatusItem> statusItem;
    std::unique_ptr<Overlay> overlay;
    std::optional<Instant> nextBreak;
    std::optional<Instant> pausedUntil;
    // What the countdown was last started from: switching reminders on or off,
    // or a new interval, starts it again.
    std::pair<bool, std::int64_t> scheduledWith{};
    bool away = false;
    bool locked = false;
    // The machine's sleep as the ticks see it: the last reading of the time
    // asleep, and whether a tick has handled a wake the system has not
    // announced yet.
    Seconds asleepSeen{};
    bool wakeSeenByTick = false;
    std::optional<std::string> lastAnimal;
    // The break on screen has had no outcome yet; the page may post any number of them.
    bool awaitingOutcome = false;
    MenuItem nextItem;
    MenuItem todayItem;
    MenuItem pauseItem;
    MenuItem enabledItem;
    bool menuOpen = false;
    // Counts the signs that the menu is open; a lapse is for the latest only.
    std::uint64_t menuSigns = 0;
    // When a break was last on screen or the menu last open.
    std::optional<Instant> overlayUsedAt;
    std::unordered_map<MenuItem*, std::function<void()>> actions;
    std::unordered_map<MenuItem*, std::function<bool()>> checks;

    // Storage for the menu's other items and submenus; deques keep addresses stable.
    std::deque<MenuItem> ownedItems;
    std::deque<Menu> ownedMenus;
    Menu* menu = nullptr;
    std::shared_ptr<bool> lifeToken = std::make_shared<bool>(true);
};

// Seconds to the countdown text "m:ss"; minutes are not capped at 59.
std::string fmt(double seconds);

} // namespace lumio
