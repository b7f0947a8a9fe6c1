#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lumio {

struct Menu;

// One line of the status menu as the core describes it; the desktop renders
// it and calls `action` when the user picks it. Items live as long as the
// App and never move, so their addresses identify them.
struct MenuItem {
    std::string title;
    bool enabled = true;
    bool checked = false;
    std::string keyEquivalent; // "q" means the platform's quit chord
    std::function<void()> action;
    Menu* submenu = nullptr;
    bool separator = false;
};

struct Menu {
    std::vector<MenuItem*> items;
};

// Told when the status menu opens and closes (not its submenus).
class MenuDelegate {
  public:
    virtual ~MenuDelegate() = default;
    virtual void menuWillOpen() = 0;
    virtual void menuDidClose() = 0;
};

// The icon in the system's status area that opens the menu.
class StatusItem {
  public:
    virtual ~StatusItem() = default;
    // Shows the named image resource at size x size logical pixels; false when
    // there is no such image (the item then has no image).
    virtual bool setImage(std::string_view name, int size) = 0;
    virtual void setToolTip(std::string_view text) = 0;
    virtual void setMenu(Menu& menu, MenuDelegate& delegate) = 0;
    // Titles, enabled states or check marks of the attached menu changed.
    virtual void menuChanged() = 0;
    virtual void setAppearsDisabled(bool disabled) = 0;
    // Pops the attached menu up at the pointer, tray or no tray, as when the
    // user clicks the icon; harmless while it is already open.
    virtual void popUpMenu() = 0;
};

class StatusBar {
  public:
    virtual ~StatusBar() = default;
    virtual std::unique_ptr<StatusItem> makeStatusItem() = 0;
};

} // namespace lumio
