"""Lumio's tray menu, read and driven over com.canonical.dbusmenu as a desktop's
tray does, its lines named by stable ids rather than by their titles."""

import time
from types import SimpleNamespace

from gi.repository import GLib

from support.desktop import wait_until

# The one mapping from a line's id to its title: a path of titles for a line in a
# submenu, and the start of the title for the first line, which changes.
TITLES = {
    "next-break": "Lần nghỉ mắt tới: ",
    "away": "Bạn đang rời máy – sẽ đếm lại khi quay về",
    "break-now": "Nghỉ mắt ngay",
    "pause": "Tạm dừng 1 giờ",
    "resume": "Tiếp tục nhắc",
    "launch-at-login": "Mở cùng máy tính",
    "quit": "Thoát Lumio",
    **{f"interval-{minutes}": ("Nhắc mỗi", f"{minutes} phút")
       for minutes in (10, 15, 20, 25, 30, 45, 60)},
}
CHANGING = ("next-break",)


def _line(raw):
    item_id, props, children = raw
    return SimpleNamespace(id=item_id, label=props.get("label", ""),
                           checked=props.get("toggle-state") == 1,
                           children=[_line(child) for child in children])


class TrayMenu:
    def __init__(self, desktop):
        self.bus = desktop.bus
        self.service, path = wait_until(lambda: desktop.tray.items, 15, "a tray item")[0]
        self.path = self.bus.property(self.service, path, "org.kde.StatusNotifierItem", "Menu")
        self.is_open = False

    def call(self, method, signature, *args, reply=None):
        return self.bus.call(self.service, self.path, "com.canonical.dbusmenu", method,
                             GLib.Variant(signature, args), reply)

    def event(self, item_id, name):
        self.call("Event", "(isvu)", item_id, name, GLib.Variant("i", 0),
                   int(time.time()) & 0xFFFFFFFF)

    def lines(self):
        """The top-level lines as the tray reads them. An open menu is also kept
        open: Lumio takes a menu as closed a while after the last sign of the user
        on it, as some trays never say "closed"."""
        _revision, root = self.call("GetLayout", "(iias)", 0, -1, [], reply="(u(ia{sv}av))")
        lines = _line(root).children
        if self.is_open:
            self.event(lines[0].id, "hovered")
        return lines

    def open(self):
        self.call("AboutToShow", "(i)", 0, reply="(b)")
        self.event(0, "opened")
        self.is_open = True

    def find(self, item):
        title = TITLES[item]
        *submenus, last = (title,) if isinstance(title, str) else title
        lines = self.lines()
        for label in submenus:
            lines = next(line for line in lines if line.label == label).children
        return next((line for line in lines if line.label == last
                     or item in CHANGING and line.label.startswith(last)), None)

    def click(self, item):
        self.event(self.find(item).id, "clicked")

    def seconds_to_break(self):
        """The countdown of the first line, in seconds."""
        minutes, seconds = self.find("next-break").label[len(TITLES["next-break"]):].split(":")
        return int(minutes) * 60 + int(seconds)
