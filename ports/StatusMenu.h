#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lumio {

struct Menu;

// How a line shows an on/off state: not at all, as a switch, or as one
// choice of several. The desktop shows a switch or choice as such in both
// states, so an off switch never looks like a command; the Radio lines of
// one Menu form a group of which the core checks at most one.
enum class Toggle { None, Check, Radio };

// One line of the status menu as the core describes it; the desktop renders
// it and calls `action` when the user picks it. Items live as long as the
// App and never move, so their addresses identify them.
struct MenuItem {
    std::string title;
    bool enabled = true;
    Toggle toggle = Toggle::None;
    bool checked = false;      // the state of a Check or Radio line
    std::string keyEquivalent; // "q" means the platform's quit chord
    std::function<void()> action;
    Menu* submenu = nullptr;
    bool separator = false;
};

struct Menu {
    std::vector<MenuItem*> items;
};

// Told, on the main thread, when the status menu opens and closes. A tray
// host that draws the menu itself may never report the closing, so the core
// takes such a menu as open only for a short while after the last
// menuWillOpen() or menuInUse(); a menu the desktop draws itself stays open
// while StatusItem::menuOnScreen() says so, until menuDidClose().
class MenuDelegate {
  public:
    virtual ~MenuDelegate() = default;
    // The status menu (not a submenu) is about to be shown; may come again
    // while it is open, which renews it.
    virtual void menuWillOpen() = 0;
    // A sign that the user is in the open menu: a submenu is about to be
    // shown or an entry was highlighted. Renews the open menu, or opens a
    // lapsed one again.
    virtual void menuInUse() = 0;
    // The status menu closed; calls for a menu taken as closed change nothing.
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
    // True while the desktop itself draws the attached menu on screen; such a
    // menu always ends with menuDidClose(). False while a tray host draws it.
    virtual bool menuOnScreen() const = 0;
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
