"""A StatusNotifierWatcher with a host, standing in for a desktop's tray.

Run as a program on the bus named by the first argument; prints "ready" once
it owns its name, then serves until killed. It keeps the list of registered
items the way desktops do ("service/path" strings) and forgets an item when
its owner leaves the bus.
"""

import sys

from gi.repository import Gio, GLib

SERVICE = "org.kde.StatusNotifierWatcher"
PATH = "/StatusNotifierWatcher"
ITEM_PATH = "/StatusNotifierItem"

# Qt reads IsStatusNotifierHostRegistered through introspection, so the
# properties must be declared, not merely answered.
INTROSPECTION = f"""
<node>
  <interface name="{SERVICE}">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
    <signal name="StatusNotifierHostUnregistered"/>
  </interface>
</node>
"""


class Watcher:
    def __init__(self, connection):
        self.connection = connection
        self.items = []  # (owner, "service/path")
        info = Gio.DBusNodeInfo.new_for_xml(INTROSPECTION).interfaces[0]
        connection.register_object(PATH, info, self.on_call, self.on_get, None)
        connection.signal_subscribe(
            "org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged",
            "/org/freedesktop/DBus", None, Gio.DBusSignalFlags.NONE, self.on_owner_changed)

    def emit(self, name, params=None):
        self.connection.emit_signal(None, PATH, SERVICE, name, params)

    def on_call(self, connection, sender, path, interface, method, params, invocation):
        if method == "RegisterStatusNotifierItem":
            (given,) = params.unpack()
            if given.startswith("/"):
                service, item_path = sender, given
            else:
                service, item_path = given, ITEM_PATH
            entry = f"{service}{item_path}"
            if all(e != entry for _, e in self.items):
                self.items.append((sender, entry))
                self.emit("StatusNotifierItemRegistered", GLib.Variant("(s)", (entry,)))
            invocation.return_value(None)
        elif method == "RegisterStatusNotifierHost":
            invocation.return_value(None)
        else:
            invocation.return_dbus_error("org.freedesktop.DBus.Error.UnknownMethod", method)

    def on_get(self, connection, sender, path, interface, prop):
        if prop == "RegisteredStatusNotifierItems":
            return GLib.Variant("as", [e for _, e in self.items])
        if prop == "IsStatusNotifierHostRegistered":
            return GLib.Variant("b", True)
        if prop == "ProtocolVersion":
            return GLib.Variant("i", 0)
        return None

    def on_owner_changed(self, connection, sender, path, interface, signal, params):
        name, _old, new = params.unpack()
        if new:
            return
        for owner, entry in [i for i in self.items if name in (i[0], i[1].split("/")[0])]:
            self.items.remove((owner, entry))
            self.emit("StatusNotifierItemUnregistered", GLib.Variant("(s)", (entry,)))


def main():
    address = sys.argv[1]
    connection = Gio.DBusConnection.new_for_address_sync(
        address,
        Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
        | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
        None, None)
    watcher = Watcher(connection)
    reply = connection.call_sync(
        "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        GLib.Variant("(su)", (SERVICE, 4)), GLib.VariantType("(u)"),
        Gio.DBusCallFlags.NONE, -1, None)
    if reply.unpack()[0] != 1:
        sys.exit(f"could not own {SERVICE}")
    watcher.emit("StatusNotifierHostRegistered")
    print("ready", flush=True)
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
