#include "desktop/overlay/X11Display.h"

#include <QGuiApplication>
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

} // namespace

bool hasDisplay() {
    return display() != nullptr;
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

} // namespace lumio::x11
