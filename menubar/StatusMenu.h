#pragma once

#include "ports/AliveGuard.h"
#include "ports/Platform.h"
#include "prefs/Prefs.h"
#include "schedule/Schedule.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace lumio {

// What the menu's commands do beyond storing a setting: the App's operations.
struct MenuCommands {
    std::function<void()> breakNow;
    std::function<void()> togglePause;
    std::function<void()> toggleEnabled;
    std::function<void()> restart; // the interval changed
    std::function<void()> previewChime;
    std::function<void(bool)> setLaunchAtLogin;
    std::function<void()> quit;
    // The menu opened: the user may ask for a break at once.
    std::function<void()> opened;
};

// The tray icon and its menu: the countdown and today's tally, the commands,
// the settings with their checks, and whether the menu is open (a menu drawn
// by a tray host that never reported a closing counts as open for a while
// after each sign of use).
class StatusMenu final : public MenuListener {
  public:
    StatusMenu(Platform& platform, Prefs& prefs, const Schedule& schedule, MenuCommands commands);
    StatusMenu(const StatusMenu&) = delete;
    StatusMenu& operator=(const StatusMenu&) = delete;

    // Sets up the icon and hands the menu to it; call once.
    void buildStatusItem();
    // Titles, enabled states and checks from the settings and the schedule.
    void refreshMenu();
    // Dimmed while reminders are off or paused.
    void refreshIcon();

    void menuOpened() override;
    void menuInUse() override;
    void menuClosed(MenuDrawer drawer) override;

    bool isOpen() const { return open; }
    const Menu& mainMenu() const { return menu; }

  private:
    using Choices = std::vector<std::pair<std::int64_t, std::string>>;

    MenuItem& newItem(std::string id, std::string title, std::function<void()> action = {});
    MenuItem& choices(std::string id, std::string title, const std::string& prefix,
                      const Choices& options, std::function<std::int64_t()> current,
                      std::function<void(std::int64_t)> set);
    MenuItem& toggle(std::string id, std::string title, std::function<bool()> get,
                     std::function<void(bool)> set);
    void separator();
    void append(MenuItem& item);
    // The menu's parts, top to bottom: the countdown and today's tally, the
    // commands, the settings, the animals' submenu, launch at login and quit.
    void addStatus();
    void addCommands();
    void addSettings();
    MenuItem& animalChoices();
    void addProgramItems();
    void holdOpen();

    Platform& platform;
    Prefs& prefs;
    const Schedule& schedule;
    MenuCommands commands;

    // Items and submenus never move once made: the desktop holds their addresses.
    std::deque<MenuItem> items;
    std::deque<Menu> submenus;
    Menu menu;
    MenuItem* nextItem = nullptr;
    MenuItem* todayItem = nullptr;
    MenuItem* pauseItem = nullptr;
    MenuItem* enabledItem = nullptr;
    std::vector<std::pair<MenuItem*, std::function<bool()>>> checks;
    bool built = false;
    bool open = false;
    // Counts the signs that the menu is open; a lapse is for the latest only.
    std::uint64_t openSigns = 0;
    // A tray host has reported a closing: its menus are open until it does.
    bool hostReportsClosing = false;
    AliveGuard weakly;
};

} // namespace lumio
