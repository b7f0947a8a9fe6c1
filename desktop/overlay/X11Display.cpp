#include "desktop/overlay/X11Display.h"

#include <QGuiApplication>
#include <optional>
#include <string>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace lumio::x11 {

namespace {

Display* display() {
    const auto* app = qGuiApp;
    if (app == nullptr) return nullptr;
    const auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 == nullptr ? nullptr : x11->display();
}

// A property of 32-bit items of the given type, as the longs Xlib hands them
// over in; empty when the window has none. Qt has Xlib ignore errors, so a
// window that is gone by now reads as having none.
std::vector<long> longs(Display* dpy, Window window, const char* name, Atom type) {
    const Atom property = XInternAtom(dpy, name, False);
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, window, property, 0, 1024, False, type, &actualType, &format,
                           &count, &remaining, &data) != Success)
        return {};
    std::vector<long> result;
    if (actualType == type && format == 32 && data != nullptr) {
        const auto* items = reinterpret_cast<const long*>(data);
        result.assign(items, items + count);
    }
    if (data != nullptr) XFree(data);
    return result;
}

std::optional<Strut> strut(Display* dpy, Window window, QSize root) {
    const auto partial = longs(dpy, window, "_NET_WM_STRUT_PARTIAL", XA_CARDINAL);
    if (partial.size() >= 12) {
        const auto at = [&partial](std::size_t i) { return static_cast<int>(partial[i]); };
        return Strut{at(0), at(1), at(2), at(3), at(4),  at(5),
                     at(6), at(7), at(8), at(9), at(10), at(11)};
    }
    const auto whole = longs(dpy, window, "_NET_WM_STRUT", XA_CARDINAL);
    if (whole.size() >= 4) {
        const auto at = [&whole](std::size_t i) { return static_cast<int>(whole[i]); };
        const int lastRow = root.height() - 1, lastColumn = root.width() - 1;
        return Strut{at(0), at(1),   at(2), at(3),      0, lastRow,
                     0,     lastRow, 0,     lastColumn, 0, lastColumn};
    }
    return std::nullopt;
}

} // namespace

bool hasDisplay() {
    return display() != nullptr;
}

bool underWayland() {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

bool compositorRunning() {
    Display* const dpy = display();
    if (dpy == nullptr) return false;
    const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(dpy));
    const Atom selection = XInternAtom(dpy, name.c_str(), False);
    return XGetSelectionOwner(dpy, selection) != 0;
}

void markAsNotification(const QWidget& window) {
    Display* const dpy = display();
    if (dpy == nullptr) return;
    const Atom type = XInternAtom(dpy, "_NET_WM_WINDOW_TYPE", False);
    const Atom notification = XInternAtom(dpy, "_NET_WM_WINDOW_TYPE_NOTIFICATION", False);
    XChangeProperty(dpy, static_cast<Window>(window.winId()), type, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&notification), 1);
    XFlush(dpy);
}

std::optional<QRect> activeWindow() {
    Display* const dpy = display();
    if (dpy == nullptr) return std::nullopt;
    const Window root = DefaultRootWindow(dpy);
    const auto active = longs(dpy, root, "_NET_ACTIVE_WINDOW", XA_WINDOW);
    if (active.empty() || active.front() == 0) return std::nullopt;
    const auto window = static_cast<Window>(active.front());
    XWindowAttributes attributes;
    int x = 0, y = 0;
    Window child = None;
    if (XGetWindowAttributes(dpy, window, &attributes) == 0 ||
        !XTranslateCoordinates(dpy, window, root, 0, 0, &x, &y, &child))
        return std::nullopt;
    return QRect(x, y, attributes.width, attributes.height);
}

std::string windowManagerName() {
    Display* const dpy = display();
    if (dpy == nullptr) return {};
    const auto check = longs(dpy, DefaultRootWindow(dpy), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    if (check.empty() || check.front() == 0) return {};
    const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, static_cast<Window>(check.front()),
                           XInternAtom(dpy, "_NET_WM_NAME", False), 0, 256, False, utf8,
                           &actualType, &format, &count, &remaining, &data) != Success)
        return {};
    std::string name;
    if (actualType == utf8 && format == 8 && data != nullptr)
        name.assign(reinterpret_cast<const char*>(data), count);
    if (data != nullptr) XFree(data);
    return name;
}

Docks docks() {
    Display* const dpy = display();
    if (dpy == nullptr) return {};
    const int screen = DefaultScreen(dpy);
    Docks result{QSize(DisplayWidth(dpy, screen), DisplayHeight(dpy, screen)), {}};
    const Window root = RootWindow(dpy, screen);
    for (const long client : longs(dpy, root, "_NET_CLIENT_LIST", XA_WINDOW)) {
        if (const auto s = strut(dpy, static_cast<Window>(client), result.root))
            result.struts.push_back(*s);
    }
    return result;
}

} // namespace lumio::x11
