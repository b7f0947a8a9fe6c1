"""What a person does with each program before it is measured between breaks:
opens its tray menu once and closes it, then takes one break and lets it end.
Each program has a way of its own (PROGRAMS); the tray menu is driven over
the StatusNotifierItem / dbusmenu interfaces as tests/support does it."""

import subprocess
import time

from gi.repository import GLib

import proc
from support import desktop, tray
from support.desktop import wait_until

LUMIO_BIN = desktop.LUMIO_BIN
# What a person takes to read the open menu.
MENU_READING_SECONDS = 1.0
# A break shown, how long before a program that can end it early is told to.
BREAK_SHOWN_SECONDS = 3.0
WORKRAVE = ("org.workrave.Workrave", "/org/workrave/Workrave")


class TrayMenu(tray.TrayMenu):
    def close(self):
        """What a tray does as the user closes the menu."""
        self.event(0, "closed")
        self.is_open = False


def open_and_close_tray_menu(session):
    """Opens the status item's menu, reads it for a moment and closes it."""
    menu = TrayMenu(session)
    menu.open()
    time.sleep(MENU_READING_SECONDS)
    menu.close()


def read_workrave_menu(session):
    """Workrave shows no status item here; its menu is read over its own
    D-Bus interface, as its panel applets do."""
    session.bus.call(WORKRAVE[0], f"{WORKRAVE[1]}/UI", "org.workrave.AppletInterface", "GetMenu")


def take_break(session, root, start, end=None, timeout=90):
    """Starts a break with start(), waits for its windows, ends it with end()
    when given (else lets it run its course), and waits until its windows are
    gone and the program's tree (root's) is the program alone. Says how long
    the break was on screen."""
    before = {window.id for window in session.top_level()}
    start()
    shown = wait_until(lambda: {w.id for w in session.top_level()} - before, 30,
                       "the break's windows")
    began = time.monotonic()
    if end is not None:
        time.sleep(BREAK_SHOWN_SECONDS)
        end()
    wait_until(lambda: not shown & {w.id for w in session.top_level()}, timeout,
               "the break's end", interval=0.1)
    ended = time.monotonic() - began
    wait_until(lambda: len(proc.process_tree(root)) == 1, 30, "the break's helpers to end",
               interval=0.1)
    return f"{ended:.1f} s"


def lumio_prepare(session, pid):
    open_and_close_tray_menu(session)
    return take_break(session, pid, lambda: subprocess.run(
        [LUMIO_BIN, "--break-now"], env=session.env, capture_output=True, timeout=30))


def safeeyes_prepare(session, pid):
    """Safe Eyes may start disabled, and then shows no break: said, not fatal."""
    open_and_close_tray_menu(session)
    try:
        return take_break(session, pid, lambda: subprocess.run(
            ["safeeyes", "--take-break"], env=session.env, capture_output=True, timeout=30))
    except AssertionError:
        status = subprocess.run(["safeeyes", "--status"], env=session.env, capture_output=True,
                                text=True, timeout=30).stdout.strip()
        return f"none shown (its status: {status or 'nothing'})"


def workrave_prepare(session, pid):
    read_workrave_menu(session)
    core = (WORKRAVE[0], f"{WORKRAVE[1]}/Core", "org.workrave.CoreInterface")
    return take_break(
        session, pid,
        lambda: session.bus.call(WORKRAVE[0], f"{WORKRAVE[1]}/UI",
                                 "org.workrave.ControlInterface", "RestBreak"),
        lambda: session.bus.call(*core, "SkipBreak", GLib.Variant("(s)", ("restbreak",))))


# name, command, what is done before measuring, and how the report says it.
PROGRAMS = [
    ("Lumio", [LUMIO_BIN], lumio_prepare,
     "tray menu opened and closed over dbusmenu; `lumio --break-now` handed to the running "
     "copy, the break left to run its course until its helper `lumio-break` was gone"),
    ("Workrave", ["workrave"], workrave_prepare,
     "no status item here (it shows its small main window): its menu read over its own D-Bus "
     "interface (`GetMenu`, as its applets do); a rest break started over D-Bus "
     f"(`RestBreak`) and skipped (`SkipBreak`) {BREAK_SHOWN_SECONDS:g} s later, as its own "
     "10-minute break would not fit"),
    ("Safe Eyes", ["safeeyes"], safeeyes_prepare,
     "tray menu opened and closed over dbusmenu (its Ayatana status item); `safeeyes "
     "--take-break` handed to the running copy, the break left to run its course (when none "
     "is shown within 30 s, `safeeyes --status` is quoted under \"Break on screen\")"),
]
