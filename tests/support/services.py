"""The desktop services Lumio talks to, served from the test process itself: a
StatusNotifier tray host on the session bus and logind on the system bus."""

import threading

from gi.repository import Gio, GLib

# Calls to the objects below are answered on the default main context, run here
# for the whole test run; the tests' own calls are synchronous and need no loop.
threading.Thread(target=GLib.MainLoop().run, daemon=True).start()

SESSION_ID = "c7"
LOGIND_SESSION = f"/org/freedesktop/login1/session/{SESSION_ID}"

WATCHER = """<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
</interface></node>"""

MANAGER = """<node><interface name="org.freedesktop.login1.Manager">
  <method name="GetSession"><arg type="s" direction="in"/><arg type="o" direction="out"/></method>
  <signal name="PrepareForSleep"><arg type="b"/></signal>
</interface></node>"""

SESSION = """<node><interface name="org.freedesktop.login1.Session">
  <property name="LockedHint" type="b" access="read"/>
  <property name="Active" type="b" access="read"/>
</interface></node>"""


def serve(connection, name, objects, on_call, on_get):
    """Registers the objects ({path: introspection}), then owns name."""
    for path, xml in objects.items():
        interface = Gio.DBusNodeInfo.new_for_xml(xml).interfaces[0]
        connection.register_object(path, interface, on_call, on_get, None)
    (reply,) = connection.call_sync(
        "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        GLib.Variant("(su)", (name, 4)), GLib.VariantType("(u)"), Gio.DBusCallFlags.NONE, -1,
        None).unpack()
    assert reply == 1, f"{name} is taken"


class TrayHost:
    """A desktop's tray: it lists the registered status items as (service, path)."""

    PATH = "/StatusNotifierWatcher"

    def __init__(self, connection):
        self.connection = connection
        self.items = []
        serve(connection, "org.kde.StatusNotifierWatcher", {self.PATH: WATCHER}, self.on_call,
              self.on_get)
        self.emit("StatusNotifierHostRegistered", None)

    def emit(self, name, params):
        self.connection.emit_signal(None, self.PATH, "org.kde.StatusNotifierWatcher", name, params)

    def on_call(self, _connection, sender, _path, _interface, method, params, invocation):
        if method == "RegisterStatusNotifierItem":
            (given,) = params.unpack()
            item = (sender, given) if given.startswith("/") else (given, "/StatusNotifierItem")
            if item not in self.items:
                self.items.append(item)
                self.emit("StatusNotifierItemRegistered", GLib.Variant("(s)", ("".join(item),)))
        invocation.return_value(None)

    def on_get(self, _connection, _sender, _path, _interface, name):
        return {"RegisteredStatusNotifierItems": GLib.Variant("as", map("".join, self.items)),
                "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
                "ProtocolVersion": GLib.Variant("i", 0)}[name]


class Logind:
    """systemd-logind with the one session named by XDG_SESSION_ID."""

    PATH = "/org/freedesktop/login1"

    def __init__(self, connection):
        self.connection = connection
        self.locked = False
        serve(connection, "org.freedesktop.login1", {self.PATH: MANAGER, LOGIND_SESSION: SESSION},
              self.on_call, self.on_get)

    def on_call(self, _connection, _sender, _path, _interface, _method, params, invocation):
        if params.unpack() == (SESSION_ID,):
            invocation.return_value(GLib.Variant("(o)", (LOGIND_SESSION,)))
        else:
            invocation.return_dbus_error("org.freedesktop.login1.NoSuchSession", str(params))

    def on_get(self, _connection, _sender, _path, _interface, name):
        return GLib.Variant("b", self.locked if name == "LockedHint" else True)

    def lock(self, locked):
        self.locked = locked
        self.connection.emit_signal(
            None, LOGIND_SESSION, "org.freedesktop.DBus.Properties", "PropertiesChanged",
            GLib.Variant("(sa{sv}as)", ("org.freedesktop.login1.Session",
                                        {"LockedHint": GLib.Variant("b", locked)}, [])))

    def sleep(self, sleeping):
        self.connection.emit_signal(None, self.PATH, "org.freedesktop.login1.Manager",
                                    "PrepareForSleep", GLib.Variant("(b)", (sleeping,)))
