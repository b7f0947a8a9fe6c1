#pragma once
#include <functional>
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

// One line of the tray menu as the core describes it; the desktop renders it
// and calls `action` when the user picks it. Items live as long as the core
// and never move, so their addresses identify them.
struct MenuItem {
    std::string id; // stable and untranslated, e.g. "break-now", "interval-20"
    std::string title;
    bool enabled = true;
    Toggle toggle = Toggle::None;
    bool checked = false; // the state of a Check or Radio line
    std::string shortcut; // in Qt's portable key text, e.g. "Ctrl+Q"; empty: none
    std::function<void()> action;
    Menu* submenu = nullptr;
    bool separator = false;
};

struct Menu {
    std::vector<MenuItem*> items;
};

// Who drew a menu: the desktop itself (Lumio's own menu) or a tray host.
enum class MenuDrawer { Desktop, TrayHost };

// Told, on the main thread, when the tray menu opens and closes. A menu the
// desktop draws itself stays open while TrayIcon::menuOnScreen() says so,
// until menuClosed(). Some tray hosts that draw the menu never report its
// closing: until a host has been seen to report one, the core takes a
// host-drawn menu as open only for a while after the last menuOpened() or
// menuInUse(); from then on, until the host's menuClosed().
class MenuListener {
  public:
    virtual ~MenuListener() = default;

    // The tray menu (not a submenu) is about to be shown; may come again
    // while it is open, which renews it.
    virtual void menuOpened() = 0;
    // A sign that the user is in the open menu: a submenu is about to be
    // shown or an entry was highlighted. Renews the open menu, or opens a
    // lapsed one again.
    virtual void menuInUse() = 0;
    // The tray menu drawn by `drawer` closed; calls for a menu taken as
    // closed change nothing but the trust in a host that reports closings.
    virtual void menuClosed(MenuDrawer drawer) = 0;
};

// The icon in the desktop's tray (StatusNotifierItem, or XEmbed on older
// panels) and its menu. Main thread. Without a tray the icon waits, silently
// after one line on stderr, and appears when one starts; the menu can still
// be popped up.
class TrayIcon {
  public:
    virtual ~TrayIcon() = default;

    // Shows the named image resource at size x size logical pixels; false when
    // there is no such image (the icon then has none).
    virtual bool setIcon(std::string_view name, int size) = 0;
    virtual void setToolTip(std::string_view text) = 0;
    // The menu and the listener must stay alive while the main loop runs; call once.
    virtual void setMenu(Menu& menu, MenuListener& listener) = 0;
    // Titles, enabled states or checks of the menu changed; the desktop
    // shows them, in the open menu too. Cheap; harmless when nothing changed.
    virtual void menuChanged() = 0;
    // True while the desktop itself draws the menu on screen; such a menu
    // always ends with menuClosed(). False while a tray host draws it.
    virtual bool menuOnScreen() const = 0;
    // The icon's look while reminders are paused or off (dimmed).
    virtual void setPaused(bool paused) = 0;
    // Pops the menu up at the pointer, tray or no tray, as when the user
    // clicks the icon; harmless while it is already open.
    virtual void popUpMenu() = 0;
};

} // namespace lumio
