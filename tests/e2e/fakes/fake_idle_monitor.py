#!/usr/bin/python3
"""A stand-in for Mutter's idle monitor on the session bus.

    fake_idle_monitor.py --idle-ms N

Owns org.gnome.Mutter.IdleMonitor; /org/gnome/Mutter/IdleMonitor/Core answers
GetIdletime() with N milliseconds (uint64).

Control (interface org.lumio.Test on /org/lumio/Test):
    SetIdletime(t milliseconds)
    SetHang(b hang)   GetIdletime stops answering while on
"""

import argparse

import dbus.service

import fakebus

NAME = "org.gnome.Mutter.IdleMonitor"


class IdleMonitor(dbus.service.Object):
    def __init__(self, bus, control):
        super().__init__(bus, "/org/gnome/Mutter/IdleMonitor/Core")
        self.control = control

    @dbus.service.method(NAME, out_signature="t", async_callbacks=("reply", "error"))
    def GetIdletime(self, reply, error):
        self.control.stall.reply(reply, self.control.idle_ms)


class Control(dbus.service.Object):
    def __init__(self, bus, idle_ms):
        super().__init__(bus, "/org/lumio/Test")
        self.idle_ms = idle_ms
        self.stall = fakebus.Stall()

    @dbus.service.method(fakebus.TEST_INTERFACE, in_signature="t")
    def SetIdletime(self, milliseconds):
        self.idle_ms = milliseconds

    @dbus.service.method(fakebus.TEST_INTERFACE, in_signature="b")
    def SetHang(self, hang):
        self.stall.on = hang


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--idle-ms", type=int, required=True)
    args = parser.parse_args()

    bus = fakebus.connect()
    control = Control(bus, args.idle_ms)
    monitor = IdleMonitor(bus, control)
    fakebus.serve(bus, [NAME])


if __name__ == "__main__":
    main()
