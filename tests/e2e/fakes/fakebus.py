"""Plumbing shared by the fake desktop services.

Each fake owns its well-known names on a bus (the addresses come from
DBUS_SESSION_BUS_ADDRESS / DBUS_SYSTEM_BUS_ADDRESS), prints "ready" on stdout
once they are all owned, and is steered through methods of the interface
org.lumio.Test. It runs until it is terminated or its bus goes away.
"""

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

TEST_INTERFACE = "org.lumio.Test"
PROPERTIES_INTERFACE = "org.freedesktop.DBus.Properties"


def connect(system=False):
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    return dbus.SystemBus() if system else dbus.SessionBus()


def serve(bus, names):
    """Owns every name (failing when one is taken), says ready, and runs."""
    # Held for as long as the loop runs: a released BusName gives its name up.
    owned = [dbus.service.BusName(name, bus, do_not_queue=True) for name in names]
    print("ready", flush=True)
    try:
        GLib.MainLoop().run()
    except KeyboardInterrupt:
        pass
    return owned


class Stall:
    """Replies that are held back while a hang is on, as from a stuck service."""

    def __init__(self):
        self.on = False

    def reply(self, send, value):
        if not self.on:
            send(value)
            return

        def late():
            send(value)
            return False

        GLib.timeout_add(30_000, late)
