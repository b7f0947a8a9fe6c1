"""End-to-end harness: the real lumio program on a private desktop.

Each test gets its own X server (Xvfb), session and system D-Bus buses (both
allowing anything, so a test may own org.freedesktop.login1), home, config
and runtime folders, and (unless it asks otherwise) a tray host of its own on
the session bus. Nothing of the machine's own desktop or sound leaks in; the
locale is C.UTF-8.

Fixtures:
  session       a fresh desktop with a StatusNotifier tray host
  bare_session  the same without one (start_tray() or start_xembed_tray() later)
  shots         names for screenshots, kept in $LUMIO_E2E_SHOTS when set

Session.launch() starts $LUMIO_BIN (default build/desktop/lumio in the checkout)
and returns a Lumio run; TrayMenu (session.tray_menu()) reads and drives its
menu over com.canonical.dbusmenu the way a desktop's tray does. Run with the
system interpreter, which has python3-gi, python3-xlib and python3-pytest:
  LUMIO_BIN=... /usr/bin/python3 -m pytest -q tests/e2e
"""

import json
import os
import random
import re
import select
import signal
import socket
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

import pytest
from gi.repository import Gio, GLib

HERE = Path(__file__).resolve().parent
LUMIO_BIN = os.environ.get("LUMIO_BIN", str(HERE.parents[1] / "build/desktop/lumio"))

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>{type}</type>
  <listen>unix:path={socket}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow receive_sender="*"/>
    <allow eavesdrop="true"/>
  </policy>
</busconfig>
"""


def free_port():
    """A TCP port on the loopback interface that nothing listens on just now."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_until(predicate, timeout=5.0, interval=0.05, what="condition"):
    """Polls until predicate() returns something truthy, and returns it."""
    deadline = time.monotonic() + timeout
    while True:
        result = predicate()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def _start_with_fd_report(command, **popen_args):
    """Starts a daemon that writes one line (its address or display) to a
    descriptor we pass it; returns the process and that line."""
    read_end, write_end = os.pipe()
    command = [part.format(fd=write_end) for part in command]
    process = subprocess.Popen(command, pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, **popen_args)
    os.close(write_end)
    with os.fdopen(read_end) as report:
        line = report.readline().strip()
    if not line:
        process.kill()
        process.wait()
        raise RuntimeError(f"{command[0]} did not start")
    return process, line


def _stop(process, timeout=5.0):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    return process.returncode


class Bus:
    """A client connection to one of the session's buses."""

    def __init__(self, address):
        self.connection = Gio.DBusConnection.new_for_address_sync(
            address,
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
            | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
            None, None)

    def call(self, service, path, interface, method, args=None, reply_type=None, timeout=5.0):
        reply = self.connection.call_sync(
            service, path, interface, method, args,
            GLib.VariantType(reply_type) if reply_type else None,
            Gio.DBusCallFlags.NONE, int(timeout * 1000), None)
        return reply.unpack() if reply is not None else ()

    def property(self, service, path, interface, name):
        (value,) = self.call(service, path, "org.freedesktop.DBus.Properties", "Get",
                             GLib.Variant("(ss)", (interface, name)), "(v)")
        return value

    def has_owner(self, name):
        (owned,) = self.call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                             "org.freedesktop.DBus", "NameHasOwner",
                             GLib.Variant("(s)", (name,)), "(b)")
        return owned

    def close(self):
        self.connection.close_sync(None)


class Lumio:
    """One run of the program, its output kept in files."""

    def __init__(self, session, args, index):
        self.args = list(args)
        self.stdout_path = session.root / f"lumio-{index}.out"
        self.stderr_path = session.root / f"lumio-{index}.err"
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen([LUMIO_BIN, *self.args], env=session.env,
                                            cwd=session.home, stdin=subprocess.DEVNULL,
                                            stdout=out, stderr=err)

    @property
    def stdout(self):
        return self.stdout_path.read_text()

    @property
    def stderr(self):
        return self.stderr_path.read_text()

    def complaints(self):
        """What the program said on stderr, less the web engine's note on remote debugging."""
        return [line for line in self.stderr.splitlines() if line.strip() and not line.startswith(
            ("DevTools listening on ", "Remote debugging server started"))]

    def running(self):
        return self.process.poll() is None

    def children(self):
        """Pids of the program's own child processes: its break helper, while one runs."""
        found = subprocess.run(["pgrep", "-P", str(self.process.pid)], capture_output=True,
                               text=True).stdout
        return [int(pid) for pid in found.split()]

    def wait(self, timeout=10.0):
        """The exit status once the program has ended by itself."""
        return self.process.wait(timeout)

    def stop(self, timeout=5.0):
        """Asks the program to quit (SIGTERM) and returns its exit status."""
        if self.running():
            self.process.send_signal(signal.SIGTERM)
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise AssertionError("lumio did not quit on SIGTERM")


@dataclass
class Entry:
    """One line of the tray menu as a desktop's tray sees it."""

    id: int
    props: dict
    children: list = field(default_factory=list)

    @property
    def label(self):
        return self.props.get("label", "")

    @property
    def enabled(self):
        return self.props.get("enabled", True)

    @property
    def separator(self):
        return self.props.get("type") == "separator"

    @property
    def submenu(self):
        return self.props.get("children-display") == "submenu"

    @property
    def toggle(self):
        """"checkmark" for a switch, "radio" for one choice of several, "" for neither."""
        return self.props.get("toggle-type", "")

    @property
    def checked(self):
        return self.toggle != "" and self.props.get("toggle-state") == 1

    def __repr__(self):
        marks = "".join([
            "-" if self.separator else "",
            ">" if self.submenu else "",
            "x" if self.checked else "",
            "" if self.enabled else "(disabled)",
        ])
        return f"<{self.id} {self.label!r} {marks}>"


def _entry(raw):
    item_id, props, children = raw
    return Entry(item_id, dict(props), [_entry(child) for child in children])


class TrayMenu:
    """The registered status item's menu over com.canonical.dbusmenu."""

    INTERFACE = "com.canonical.dbusmenu"

    def __init__(self, session, timeout=10.0):
        self.bus = session.bus
        item = wait_until(session.tray_items, timeout, what="a registered tray item")[0]
        service, _, path = item.partition("/")
        self.item_service = service
        self.item_path = "/" + path
        self.menu_path = self.bus.property(service, self.item_path, "org.kde.StatusNotifierItem",
                                           "Menu")
        self.is_open = False

    def _call(self, method, args, reply_type=None):
        return self.bus.call(self.item_service, self.menu_path, self.INTERFACE, method, args,
                             reply_type)

    def _layout(self):
        _revision, layout = self._call("GetLayout", GLib.Variant("(iias)", (0, -1, [])),
                                       "(u(ia{sv}av))")
        return _entry(layout)

    def root(self):
        """The menu as the tray reads it; an open menu is looked at, i.e. kept open."""
        root = self._layout()
        if self.is_open:
            self.keep_open(root)
        return root

    def entries(self):
        return self.root().children

    def find(self, *labels):
        """The entry at a path of labels, e.g. find("Nhắc mỗi", "30 phút")."""
        entries = self.entries()
        for depth, label in enumerate(labels):
            found = [e for e in entries if e.label == label]
            assert found, f"no entry {label!r} among {entries}"
            if depth == len(labels) - 1:
                return found[0]
            entries = found[0].children
        raise AssertionError("empty path")

    def about_to_show(self, item_id=0):
        self._call("AboutToShow", GLib.Variant("(i)", (item_id,)), "(b)")

    def event(self, item_id, name):
        stamp = int(time.time()) & 0xFFFFFFFF
        self._call("Event", GLib.Variant("(isvu)", (item_id, name, GLib.Variant("i", 0), stamp)))

    def open(self):
        """What a tray does as the user opens the menu."""
        self.about_to_show(0)
        self.event(0, "opened")
        self.is_open = True

    def keep_open(self, root=None):
        """What a tray does as the user moves over the open menu: Lumio takes a
        menu as closed a few seconds after the last such sign, as some trays
        never say "closed"."""
        self.event((root or self._layout()).children[0].id, "hovered")

    def close(self):
        self.event(0, "closed")
        self.is_open = False

    def click(self, *labels):
        self.event(self.find(*labels).id, "clicked")


class Session:
    """A private desktop for one test."""

    def __init__(self, root, tray):
        self.root = Path(root)
        self.processes = []
        self.runs = []
        self.tray_process = None
        self.bus = None
        try:
            self._start(tray)
        except BaseException:
            self.close()
            raise

    def _start(self, tray):
        self.root.mkdir(parents=True, exist_ok=True)
        self.home = self.root / "home"
        self.config = self.home / ".config"
        self.runtime = self.root / "runtime"
        for folder in (self.home, self.config, self.runtime):
            folder.mkdir(parents=True)
        self.runtime.chmod(0o700)

        self.display = self._start_xvfb()

        self.session_bus_address = self._start_bus("session")
        self.system_bus_address = self._start_bus("system")

        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "LANG": "C.UTF-8",
            "HOME": str(self.home),
            "XDG_CONFIG_HOME": str(self.config),
            "XDG_DATA_HOME": str(self.home / ".local" / "share"),
            "XDG_CACHE_HOME": str(self.home / ".cache"),
            "XDG_RUNTIME_DIR": str(self.runtime),
            "DISPLAY": self.display,
            "QT_QPA_PLATFORM": "xcb",
            "DBUS_SESSION_BUS_ADDRESS": self.session_bus_address,
            "DBUS_SYSTEM_BUS_ADDRESS": self.system_bus_address,
            # No sound server: none of the machine's, and none started on demand.
            "PULSE_SERVER": f"unix:{self.root / 'no-sound-server'}",
        }
        self.bus = Bus(self.session_bus_address)
        if tray:
            self.start_tray()

    def _start_xvfb(self):
        # Low display numbers are what every other X server on the machine tries
        # first; one of them shutting down could take a just-reused number's
        # socket along. A random high number, retried if taken, stays clear;
        # -displayfd still tells when the server is ready.
        for _attempt in range(20):
            number = random.randrange(100, 30000)
            if Path(f"/tmp/.X{number}-lock").exists():
                continue
            with open(self.root / "xvfb.log", "ab") as log:
                try:
                    xvfb, display = _start_with_fd_report(
                        ["Xvfb", f":{number}", "-displayfd", "{fd}", "-screen", "0", "1280x800x24",
                         "-nolisten", "tcp", "-noreset"],
                        stderr=log)
                except RuntimeError:
                    continue
            self.processes.append(xvfb)
            return f":{display}"
        raise RuntimeError("no free X display found")

    def _start_bus(self, kind):
        config = self.root / f"{kind}-bus.conf"
        config.write_text(BUS_CONFIG.format(type=kind, socket=self.root / f"{kind}-bus"))
        daemon, address = _start_with_fd_report(
            ["dbus-daemon", f"--config-file={config}", "--nofork", "--print-address={fd}"],
            stderr=subprocess.DEVNULL)
        self.processes.append(daemon)
        return address

    def start_tray(self):
        """Starts the tray host (a StatusNotifierWatcher) on the session bus."""
        self.tray_process = subprocess.Popen(
            [sys.executable, str(HERE / "sni_watcher.py"), self.session_bus_address],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, text=True)
        self.processes.append(self.tray_process)
        if self.tray_process.stdout.readline().strip() != "ready":
            raise RuntimeError("the tray host did not start")

    def start_xembed_tray(self):
        """Starts an X11 (XEmbed) system tray; returns it for docked_icon()."""
        tray = subprocess.Popen([sys.executable, str(HERE / "xembed_tray.py"), self.display],
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, text=True)
        self.processes.append(tray)
        if tray.stdout.readline().strip() != "ready":
            raise RuntimeError("the X11 tray did not start")
        return tray

    @staticmethod
    def docked_icon(tray, timeout=8.0):
        """The window id of the next icon the X11 tray docks."""
        ready, _, _ = select.select([tray.stdout], [], [], timeout)
        assert ready, f"no icon docked within {timeout} s"
        line = tray.stdout.readline().split()
        assert line[:1] == ["docked"], line
        return int(line[1])

    def tray_items(self):
        """The status items registered with the tray host, as "service/path"."""
        return list(self.bus.property("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                                      "org.kde.StatusNotifierWatcher",
                                      "RegisteredStatusNotifierItems"))

    def launch(self, *args):
        run = Lumio(self, args, len(self.runs))
        self.runs.append(run)
        return run

    def tray_menu(self, timeout=10.0):
        return TrayMenu(self, timeout)

    @property
    def settings_path(self):
        return self.config / "lumio" / "settings.json"

    def settings(self):
        try:
            return json.loads(self.settings_path.read_text())
        except FileNotFoundError:
            return {}

    def start_compositor(self):
        """A compositing manager on the display, as most desktops have; it ends
        with the session."""
        for _ in range(5):
            process = subprocess.Popen(["xcompmgr"], env=self.env, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.processes.append(process)
            # Xvfb resets whenever its last client leaves, and refuses connections
            # meanwhile; a compositor that came at such a moment is started again.
            wait_until(lambda: process.poll() is not None or "\"xcompmgr\"" in self.x(
                "xwininfo", "-root", "-children"), timeout=15, what="xcompmgr")
            if process.poll() is None:
                return
        raise AssertionError("xcompmgr would not start")

    def write_settings(self, **values):
        """Sets these keys in the settings file, keeping the others, in one
        atomic replace as another program (or the program itself) would."""
        self.settings_path.parent.mkdir(parents=True, exist_ok=True)
        staged = self.settings_path.with_suffix(".next")
        staged.write_text(json.dumps({**self.settings(), **values}))
        staged.replace(self.settings_path)

    def x(self, *command):
        """Runs an X client against this session's display; returns its stdout."""
        result = subprocess.run(command, env=self.env, capture_output=True, text=True, timeout=10)
        return result.stdout

    def windows_titled(self, title):
        """Ids of the mapped top-level windows with exactly this title."""
        found = self.x("xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(title)}$")
        return [int(line) for line in found.split()]

    def popup_menus(self):
        """Ids of the program's menus (and other popups) on screen: override-redirect
        windows of its own straight on the root window, not docked in a tray."""
        top_level = {int(w, 16) for w in re.findall(r"^\s+(0x[0-9a-f]+) ",
                                                    self.x("xwininfo", "-root", "-children"), re.M)}
        found = self.x("xdotool", "search", "--onlyvisible", "--class", "lumio")
        return [int(w) for w in found.split() if int(w) in top_level
                and "Override Redirect State: yes" in self.x("xwininfo", "-id", w)]

    def window_type(self, window):
        return self.x("xprop", "-id", str(window), "_NET_WM_WINDOW_TYPE")

    def screenshot(self, path):
        self.x("import", "-window", "root", str(path))
        return Path(path)

    def close(self):
        for run in self.runs:
            if run.running():
                run.process.kill()
                run.process.wait()
        if self.bus is not None:
            self.bus.close()
        for process in reversed(self.processes):
            _stop(process)


@pytest.fixture
def session(tmp_path):
    desktop = Session(tmp_path / "desktop", tray=True)
    yield desktop
    desktop.close()


@pytest.fixture
def composited(session):
    """A session with a compositing manager."""
    session.start_compositor()
    return session


@pytest.fixture
def bare_session(tmp_path):
    desktop = Session(tmp_path / "bare-desktop", tray=False)
    yield desktop
    desktop.close()


@pytest.fixture
def shots(request, tmp_path):
    """Where screenshots go: $LUMIO_E2E_SHOTS when set (to keep them), else the test's tmp."""
    folder = Path(os.environ.get("LUMIO_E2E_SHOTS", tmp_path))
    folder.mkdir(parents=True, exist_ok=True)
    return lambda name: folder / f"{request.node.name}-{name}.png"
