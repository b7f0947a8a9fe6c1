#!/usr/bin/python3
"""Stand-ins for the desktops' screen savers on the session bus.

    fake_screensaver.py [--idle-ms N [--idle-type u|t]] [--idle-path PATH]

Owns org.freedesktop.ScreenSaver, org.gnome.ScreenSaver,
org.cinnamon.ScreenSaver and org.xfce.ScreenSaver, each with an object at
/org/freedesktop/ScreenSaver, /org/gnome/ScreenSaver, ... that can emit its
ActiveChanged(b) signal. org.freedesktop.ScreenSaver.GetSessionIdleTime is
served on --idle-path (/org/freedesktop/ScreenSaver by default): with
--idle-ms it answers that many milliseconds as the D-Bus type --idle-type;
without it fails, as on desktops that do not implement it.

Control (interface org.lumio.Test on /org/lumio/Test):
    EmitActiveChanged(s interface, b active)   e.g. ("org.gnome.ScreenSaver", true)
    SetIdleTime(t milliseconds)
    SetHang(b hang)   GetSessionIdleTime stops answering while on
"""

import argparse

import dbus
import dbus.service

import fakebus

INTERFACES = ["org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver",
              "org.cinnamon.ScreenSaver", "org.xfce.ScreenSaver"]
IDLE_INTERFACE = INTERFACES[0]


def path_of(interface):
    return "/" + interface.replace(".", "/")


def active_changed(interface):
    class ActiveChanged(dbus.service.Object):
        @dbus.service.method(interface, out_signature="b")
        def GetActive(self):
            return self.active

        @dbus.service.signal(interface, signature="b")
        def ActiveChanged(self, active):
            self.active = active

    return ActiveChanged


def session_idle_time(idle_type):
    if idle_type is None:
        class NoSessionIdleTime(dbus.service.Object):
            @dbus.service.method(IDLE_INTERFACE, out_signature="u")
            def GetSessionIdleTime(self):
                raise dbus.exceptions.DBusException(
                    "This method is not implemented",
                    name="org.freedesktop.DBus.Error.NotSupported")

        return NoSessionIdleTime

    class SessionIdleTime(dbus.service.Object):
        @dbus.service.method(IDLE_INTERFACE, out_signature=idle_type,
                             async_callbacks=("reply", "error"))
        def GetSessionIdleTime(self, reply, error):
            self.control.stall.reply(reply, self.control.idle_ms)

    return SessionIdleTime


class Control(dbus.service.Object):
    def __init__(self, bus, idle_ms):
        super().__init__(bus, "/org/lumio/Test")
        self.savers = {}
        self.idle_ms = idle_ms
        self.stall = fakebus.Stall()

    @dbus.service.method(fakebus.TEST_INTERFACE, in_signature="sb")
    def EmitActiveChanged(self, interface, active):
        self.savers[interface].ActiveChanged(active)

    @dbus.service.method(fakebus.TEST_INTERFACE, in_signature="t")
    def SetIdleTime(self, milliseconds):
        self.idle_ms = milliseconds

    @dbus.service.method(fakebus.TEST_INTERFACE, in_signature="b")
    def SetHang(self, hang):
        self.stall.on = hang


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--idle-ms", type=int)
    parser.add_argument("--idle-type", choices=["u", "t"], default="u")
    parser.add_argument("--idle-path", default=path_of(IDLE_INTERFACE))
    args = parser.parse_args()

    bus = fakebus.connect()
    control = Control(bus, args.idle_ms)
    parts = {path_of(interface): [active_changed(interface)] for interface in INTERFACES}
    parts.setdefault(args.idle_path, []).append(
        session_idle_time(None if args.idle_ms is None else args.idle_type))
    objects = {}
    for path, bases in parts.items():
        objects[path] = type("ScreenSaverObject", tuple(bases), {})(bus, path)
        objects[path].control = control
        objects[path].active = False
    control.savers = {interface: objects[path_of(interface)] for interface in INTERFACES}
    fakebus.serve(bus, INTERFACES)


if __name__ == "__main__":
    main()
