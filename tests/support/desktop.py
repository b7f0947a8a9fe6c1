"""A private desktop for one test: an X server (Xvfb) with a compositing manager,
session and system D-Bus buses with a tray host and logind on them, and home,
config and runtime folders of its own (Session, which the Wayland desktops of
compositor.py share). Nothing of the machine's own desktop or
sound leaks in; the locale is C.UTF-8."""

import json
import os
import random
import signal
import subprocess
import time
from pathlib import Path

from gi.repository import Gio, GLib
from Xlib import X, display
from Xlib.error import XError
from Xlib.ext import xtest

from support.services import SESSION_ID, Logind, TrayHost

LUMIO_BIN = os.path.abspath(
    os.environ.get("LUMIO_BIN", Path(__file__).parents[2] / "build/desktop/lumio"))
SCREEN = (1280, 800)
PANEL = (340, 430)  # the break card's panel

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>{kind}</type><listen>unix:path={socket}</listen><auth>EXTERNAL</auth>{more}
  <policy context="default"><allow user="*"/><allow own="*"/>
    <allow send_destination="*"/><allow receive_sender="*"/></policy>
</busconfig>"""


def wait_until(predicate, timeout=5.0, what="condition", interval=0.05):
    """Polls until predicate() returns something truthy, and returns it."""
    deadline = time.monotonic() + timeout
    while not (result := predicate()):
        assert time.monotonic() < deadline, f"timed out after {timeout} s waiting for {what}"
        time.sleep(interval)
    return result


def stop(process, timeout=5.0):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class Bus:
    """A client connection to a bus, which may also serve objects (see services)."""

    def __init__(self, address):
        self.connection = Gio.DBusConnection.new_for_address_sync(
            address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
            | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)

    def call(self, service, path, interface, method, args=None, reply_type=None):
        reply = self.connection.call_sync(
            service, path, interface, method, args,
            GLib.VariantType(reply_type) if reply_type else None, Gio.DBusCallFlags.NONE, 15000,
            None)
        return reply.unpack() if reply is not None else ()

    def property(self, service, path, interface, name):
        return self.call(service, path, "org.freedesktop.DBus.Properties", "Get",
                         GLib.Variant("(ss)", (interface, name)), "(v)")[0]

    def has_owner(self, name):
        return self.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                         "NameHasOwner", GLib.Variant("(s)", (name,)), "(b)")[0]


class Lumio:
    """One run of the program, its output kept in a file for a look after a failure."""

    def __init__(self, desktop, program, args, env):
        self.log = desktop.root / f"lumio-{len(desktop.runs)}.log"
        with open(self.log, "wb") as log:
            self.process = desktop.popen([program, *args], env=env, cwd=desktop.home,
                                         stdout=log, stderr=log)

    def running(self):
        return self.process.poll() is None

    def helpers(self):
        """Pids of the program's break helper, while one runs."""
        return [int(pid) for pid in subprocess.run(
            ["pgrep", "-P", str(self.process.pid)], capture_output=True, text=True).stdout.split()]

    def wait(self, timeout=10.0):
        return self.process.wait(timeout)

    def stop(self):
        """Asks the program to quit (SIGTERM) and returns its exit status."""
        self.process.send_signal(signal.SIGTERM)
        return self.wait(5)


class Session:
    """What every private desktop has: home, config and runtime folders of its own,
    the daemons and buses it started, and the runs of Lumio in it. Given a user,
    its programs run as that unprivileged user, who owns the home and runtime."""

    def __init__(self, root, user=None):
        self.root, self.home = root, root / "home"
        self.config, self.runtime = self.home / ".config", root / "runtime"
        self.user = user
        self.processes, self.runs, self.buses = [], [], []
        for folder in (self.config, self.runtime):
            folder.mkdir(parents=True, mode=0o700)
        self.own(self.home, self.config, self.runtime)
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LANG": "C.UTF-8",
            "HOME": str(self.home), "XDG_CONFIG_HOME": str(self.config),
            "XDG_DATA_HOME": str(self.home / ".local/share"),
            "XDG_CACHE_HOME": str(self.home / ".cache"), "XDG_RUNTIME_DIR": str(self.runtime),
            "XDG_SESSION_ID": SESSION_ID,
            # No sound server: none of the machine's, and none started on demand.
            "PULSE_SERVER": f"unix:{root / 'no-sound-server'}",
        }

    def own(self, *paths):
        """Hands what the test made over to the session's user."""
        for path in paths if self.user else ():
            os.chown(path, *self.user)

    def popen(self, command, **options):
        """A program of the session, run as its user."""
        if self.user:
            options.update(user=self.user[0], group=self.user[1], extra_groups=[])
        options.setdefault("env", self.env)
        options.setdefault("stdin", subprocess.DEVNULL)
        return subprocess.Popen(command, **options)

    def _start(self, command, report=False, log=None, **options):
        """Starts a daemon; with report, returns the line it writes to the descriptor
        it is given (as "{fd}" in command) once it is ready."""
        read_end, write_end = os.pipe()
        with open(log or os.devnull, "wb") as output:
            process = self.popen([part.format(fd=write_end) for part in command],
                                 pass_fds=(write_end,), stdout=output, stderr=output,
                                 **options)
        self.processes.append(process)
        os.close(write_end)
        with os.fdopen(read_end) as ready:
            return ready.readline().strip() if report else None

    def _start_bus(self, kind, more=""):
        config = self.root / f"{kind}-bus.conf"
        config.write_text(BUS_CONFIG.format(kind=kind, socket=self.runtime / f"{kind}-bus",
                                            more=more))
        address = self._start(["dbus-daemon", f"--config-file={config}", "--nofork",
                               "--print-address={fd}"], True)
        self.env[f"DBUS_{kind.upper()}_BUS_ADDRESS"] = address
        self.buses.append(Bus(address))
        return self.buses[-1]

    def launch(self, *args, program=LUMIO_BIN, env=None):
        """Starts Lumio, in this desktop's environment with env's changes (None: unset)."""
        changed = {**self.env, **(env or {})}
        self.runs.append(Lumio(self, program, args,
                               {key: value for key, value in changed.items() if value is not None}))
        return self.runs[-1]

    @property
    def settings_path(self):
        return self.config / "lumio/settings.json"

    def settings(self):
        try:
            return json.loads(self.settings_path.read_text())
        except FileNotFoundError:
            return {}

    def write_settings(self, **values):
        """Sets these keys, keeping the others, in one atomic replace."""
        self.settings_path.parent.mkdir(parents=True, exist_ok=True)
        staged = self.settings_path.with_suffix(".next")
        staged.write_text(json.dumps({**self.settings(), **values}))
        self.own(self.settings_path.parent, staged)
        staged.replace(self.settings_path)

    def close(self):
        for run in self.runs:
            if run.running():
                run.process.kill()
                run.process.wait()
        for bus in self.buses:
            bus.connection.close_sync(None)
        for process in reversed(self.processes):
            stop(process)


class Desktop(Session):
    """An X11 desktop on Xvfb with a compositing manager, and the tray host and
    logind served by the test itself."""

    def __init__(self, root):
        super().__init__(root)
        self.env["QT_QPA_PLATFORM"] = "xcb"
        try:
            self.env["DISPLAY"] = self._start_xvfb()
            self.x = display.Display(self.env["DISPLAY"])
            self.logind = Logind(self._start_bus("system").connection)
            self.bus = self._start_bus("session")
            self.tray = TrayHost(self.bus.connection)
            self._start(["xcompmgr"])
            compositing = self.x.intern_atom("_NET_WM_CM_S0")
            wait_until(lambda: self.x.get_selection_owner(compositing) != X.NONE, timeout=15,
                       what="the compositing manager")
        except BaseException:
            self.close()
            raise
        # Past the first run's welcome dialog.
        self.write_settings(welcomed=True)

    def _start_xvfb(self):
        # Clear of the low display numbers other X servers on the machine use.
        while Path(f"/tmp/.X{(number := random.randrange(100, 30000))}-lock").exists():
            pass
        shown = self._start(["Xvfb", f":{number}", "-displayfd", "{fd}", "-screen", "0",
                             f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp", "-noreset"], True)
        assert shown, "Xvfb did not start"
        return f":{shown}"

    def top_level(self):
        """The mapped top-level windows, topmost first."""
        found = []
        for window in reversed(self.x.screen().root.query_tree().children):
            try:
                if window.get_attributes().map_state == X.IsViewable:
                    found.append(window)
            except XError:
                pass  # gone meanwhile
        return found

    def panels(self):
        """The break's windows on screen, topmost first: its card's panel and the dimming
        panel, found by their sizes."""
        found = []
        for window in self.top_level():
            try:
                geometry = window.get_geometry()
            except XError:
                continue
            if (geometry.width, geometry.height) in (PANEL, SCREEN):
                found.append((window.id, geometry.x, geometry.y, geometry.width, geometry.height))
        return found

    def pointer(self, x, y, click=False):
        """Moves the pointer (and clicks); returns the id of the top-level window under it."""
        xtest.fake_input(self.x, X.MotionNotify, x=x, y=y)
        if click:
            xtest.fake_input(self.x, X.ButtonPress, 1)
            xtest.fake_input(self.x, X.ButtonRelease, 1)
        self.x.sync()
        return getattr(self.x.screen().root.query_pointer().child, "id", None)

    def close(self):
        if hasattr(self, "x"):
            self.x.close()
        super().close()
