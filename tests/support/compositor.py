"""Real Wayland desktops for one test, started headless: sway always, GNOME Shell
and KDE Plasma when LUMIO_TEST_DESKTOPS names them. Each runs as an
unprivileged user with its own runtime folder, home, session bus, a private
system bus with logind, XWayland and the desktop's own tray host. Lumio is
launched in it; the test moves the pointer, clicks and types through the
compositor and takes screenshots, kept in $LUMIO_TEST_SHOTS/<test>/."""

import json
import os
import pwd
import select
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

from gi.repository import GLib

from support.desktop import LUMIO_BIN, Session, wait_until
from support.services import Logind

# sway refuses root: run as root, the tests run the desktops as nobody.
USER = tuple(pwd.getpwnam("nobody")[2:4]) if os.geteuid() == 0 else None
POINTER_BIN = os.environ.get("LUMIO_TEST_POINTER",
                             str(Path(LUMIO_BIN).parents[1] / "tests/lumio_test_pointer"))
SHOTS = Path(os.environ.get("LUMIO_TEST_SHOTS", "/tmp/lumio-e2e-shots"))
OUTPUT = (1280, 800)
BACKGROUND = "#2e5e8e"
LEFT = 272  # the Linux code of the left button
X11_SOCKETS = Path("/tmp/.X11-unix")
WATCHER = ("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher")

# Writes what it reads on its terminal to a file, after asking the terminal to
# report mouse presses: a window that shows which keys and clicks reached it.
PROBE = ("import os, sys, tty\n"
         "tty.setraw(0)\n"
         "os.write(1, b'\\x1b[?1000h')\n"
         "with open(sys.argv[1], 'ab', 0) as log:\n"
         "    while True: log.write(os.read(0, 64))\n")


def box(png, *operations):
    """The bounding box (x, y, width, height) of what ImageMagick's trim keeps of
    the picture after the operations, or None when nothing is left."""
    found = subprocess.run(["convert", str(png), *operations, "-format", "%@", "info:"],
                           capture_output=True, text=True, check=True).stdout
    size, x, y = found.split("+")
    width, height = map(int, size.split("x"))
    return (int(x), int(y), width, height) if width and height else None


def brightness(png, x, y, width, height):
    """The mean brightness (0 to 1) of the picture's rectangle."""
    return float(subprocess.run(
        ["convert", str(png), "-crop", f"{width}x{height}+{x}+{y}", "-format", "%[fx:mean]",
         "info:"], capture_output=True, text=True, check=True).stdout)


def written_environment(path, key, timeout):
    """The environment a program wrote to the file (env > path), once it holds key."""
    def read():
        if path.exists():
            found = dict(line.split("=", 1) for line in path.read_text().splitlines()
                         if "=" in line)
            return found if key in found else None
        return None
    return wait_until(read, timeout, f"{key} in {path.name}")


# A native Wayland window that fills the output it opens on, and says when it is shown.
NATIVE = ("import gi\n"
          "gi.require_version('Gtk', '3.0')\n"
          "from gi.repository import Gtk\n"
          "window = Gtk.Window(title='native')\n"
          "window.connect('map-event', lambda *_: print('shown', flush=True))\n"
          "window.maximize()\n"
          "window.show_all()\n"
          "Gtk.main()\n")


class Watcher:
    """The desktop's own StatusNotifierWatcher: the items it lists, as (service, path)."""

    def __init__(self, bus):
        self.bus = bus

    @property
    def items(self):
        if not self.bus.has_owner(WATCHER[0]):
            return []
        found = []
        for entry in self.bus.property(*WATCHER, WATCHER[0], "RegisteredStatusNotifierItems"):
            # "service/path", "service@/path" (GNOME's) or only the service
            service, slash, path = entry.partition("/")
            found.append((service.rstrip("@"), slash + path if slash else "/StatusNotifierItem"))
        return found


class Pointer:
    """lumio_test_pointer, kept running for the session so that clients keep the
    pointer they bound; each command returns once the compositor has taken it."""

    def __init__(self, session):
        self.process = session.popen([POINTER_BIN], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE)
        session.processes.append(self.process)

    def send(self, command):
        self.process.stdin.write(f"{command}\n".encode())
        self.process.stdin.flush()
        ready, _, _ = select.select([self.process.stdout], [], [], 10)
        assert ready and self.process.stdout.readline() == b"ok\n", f"pointer: {command}"


class Wayland(Session):
    """What the desktops share. A subclass starts the compositor in __init__ and
    defines its screenshot (grab), pointer motion, typing, windows and outputs (a
    list of (x, y, width, height), the first output first)."""

    terminal = ["xterm", "-class", "{name}", "-bg", "white", "-fg", "black", "-e"]

    def __init__(self, shots):
        if USER:
            for program in (LUMIO_BIN, POINTER_BIN):
                assert all(folder.stat().st_mode & 0o001 for folder in Path(program).parents), \
                    f"{program} is out of the unprivileged user's reach: open its folders to all"
            # XWayland's sockets: a folder every user may write to, as a booted system has.
            X11_SOCKETS.mkdir(exist_ok=True)
            os.chown(X11_SOCKETS, 0, 0)
            X11_SOCKETS.chmod(0o1777)
        root = Path(tempfile.mkdtemp(prefix="lumio-e2e-"))
        root.chmod(0o755)
        super().__init__(root, USER)
        self.shots = shots
        self.taken = 0
        self.probes = []
        shutil.rmtree(shots, ignore_errors=True)
        shots.mkdir(parents=True)
        self.env["XDG_SESSION_TYPE"] = "wayland"
        self.logind = Logind(self._start_bus("system").connection)
        # Services start on demand, as in a real session (dconf, KDE's daemons).
        self.bus = self._start_bus("session", "<standard_session_servicedirs/>")
        self.tray = Watcher(self.bus)

    def screenshot(self, name):
        """Saves the whole layout as <shots>/<n>-<name>.png and returns its path."""
        self.taken += 1
        path = self.shots / f"{self.taken:02}-{name}.png"
        grabbed = self.runtime / "shot.png"
        grabbed.unlink(missing_ok=True)
        self.grab(grabbed)
        wait_until(lambda: grabbed.exists() and grabbed.stat().st_size, 10, "the screenshot")
        shutil.copyfile(grabbed, path)
        return path

    def press(self, button, down):
        self.pointer.send(f"{'press' if down else 'release'} {button}")

    def click(self, x, y, button=LEFT):
        self.move(x, y)
        self.press(button, True)
        self.press(button, False)

    def probe(self, name, output=None):
        """A terminal, on the output given or the active one, that takes the
        keyboard focus and logs the keys and clicks it gets; returns the log."""
        if output:
            self.activate(output)
        self.probes.append(name)
        log = self.home / f"{name}.log"
        log.touch()
        self.own(log)
        terminal = [part.format(name=name) for part in self.terminal]
        self.processes.append(self.popen([*terminal, "python3", "-c", PROBE, str(log)],
                                         cwd=self.home, stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL))
        wait_until(lambda: self.take_focus(name, log), 15, f"{name}, focused")
        return log

    def take_focus(self, name, _log):
        """Whether the window is there, with the keyboard focus."""
        return self.windows().get(name, (False,))[0]

    def native(self, name, output):
        """A native Wayland window over most of the output."""
        self.probe(name, output)

    def activate(self, output):
        """Makes the output (x, y, width, height) the active one, where new windows open."""
        self.move(output[0] + output[2] // 2, output[1] + output[3] // 2)

    def leftovers(self):
        """Processes of the session that its own end missed: those started on
        demand by the bus or the compositor, known by the session's runtime folder."""
        marker = f"XDG_RUNTIME_DIR={self.runtime}".encode()
        for process in Path("/proc").iterdir():
            try:
                environment = (process / "environ").read_bytes().split(b"\0")
            except OSError:
                continue  # no process, or gone meanwhile
            if marker in environment:
                yield int(process.name)

    def close(self):
        super().close()
        for signal_number in (signal.SIGTERM, signal.SIGKILL):
            pids = list(self.leftovers())
            for pid in pids:
                os.kill(pid, signal_number)
            if pids:
                time.sleep(1)
        shutil.rmtree(self.root, ignore_errors=True)


SWAY_CONFIG = """output HEADLESS-1 resolution {width}x{height} position 0,0
output * bg {background} solid_color
xwayland enable
bar {{
    tray_output *
}}
exec env > {env}
"""


class Sway(Wayland):
    """sway 1.7 on wlroots' headless backend: swaybar is the tray host; input from
    lumio_test_pointer and wtype."""

    terminal = ["foot", "--app-id={name}", "-o", "colors.background=ffffff",
                "-o", "colors.foreground=000000", "--"]

    def __init__(self, shots, outputs=1):
        super().__init__(shots)
        try:
            config, environment = self.root / "sway.conf", self.runtime / "sway.env"
            config.write_text(SWAY_CONFIG.format(width=OUTPUT[0], height=OUTPUT[1],
                                                 background=BACKGROUND, env=environment))
            self._start(["sway", "-c", str(config)], log=self.root / "sway.log",
                        env={**self.env, "WLR_BACKENDS": "headless", "WLR_RENDERER": "pixman",
                             "WLR_LIBINPUT_NO_DEVICES": "1"})
            started = written_environment(environment, "SWAYSOCK", 15)
            for key in ("WAYLAND_DISPLAY", "DISPLAY", "SWAYSOCK"):
                self.env[key] = started[key]
            wait_until(lambda: self.bus.has_owner(WATCHER[0]), 15, "swaybar's tray")
            self.pointer = Pointer(self)
            # A keyboard for the whole session: clients bind theirs only while the
            # seat has one, and a keyboard that comes with the keys is too late.
            self.processes.append(self.popen(["wtype", "-s", "2000000000"]))
            if outputs == 2:
                self._add_output()
        except BaseException:
            self.close()
            raise
        self.write_settings(welcomed=True)

    def msg(self, *args):
        """swaymsg's answer, as JSON."""
        found = self.popen(["swaymsg", "-r", *args], stdout=subprocess.PIPE)
        return json.loads(found.communicate(timeout=10)[0] or "null")

    def named_outputs(self):
        """The active outputs as {name: (x, y, width, height)}."""
        return {o["name"]: tuple(o["rect"][k] for k in ("x", "y", "width", "height"))
                for o in self.msg("-t", "get_outputs") if o["active"]}

    def outputs(self):
        return [rect for _name, rect in sorted(self.named_outputs().items())]

    def _add_output(self):
        """A second output, left of the first: XWayland, which sees the pointer only
        over its own windows, starts it in the middle of the layout, on the first."""
        self.msg("create_output")
        wait_until(lambda: len(self.named_outputs()) == 2, what="a new output")
        for name, x in zip(sorted(self.named_outputs()), (OUTPUT[0], 0)):
            self.msg("output", name, "resolution", f"{OUTPUT[0]}x{OUTPUT[1]}", "position",
                     str(x), "0")
        wait_until(lambda: self.outputs() == [(OUTPUT[0], 0, *OUTPUT), (0, 0, *OUTPUT)],
                   what="the outputs side by side")

    def windows(self):
        """The windows as {app_id or X11 class: (focused, (x, y, width, height))}."""
        found, nodes = {}, [self.msg("-t", "get_tree")]
        while nodes:
            node = nodes.pop()
            nodes += node["nodes"] + node["floating_nodes"]
            if node.get("pid"):
                name = node.get("app_id") or node.get("window_properties", {}).get("class")
                found[name] = (node["focused"], tuple(node["rect"][k] for k in "xy") +
                               tuple(node["rect"][k] for k in ("width", "height")))
        return found

    def activate(self, output):
        super().activate(output)
        name = next(name for name, rect in self.named_outputs().items() if rect == output)
        self.msg("focus", "output", name)

    def grab(self, path):
        self.popen(["grim", str(path)]).wait(10)

    def move(self, x, y):
        rects = self.outputs()
        width = max(r[0] + r[2] for r in rects)
        height = max(r[1] + r[3] for r in rects)
        self.pointer.send(f"move {x} {y} {width} {height}")

    def type(self, text):
        assert self.popen(["wtype", text]).wait(10) == 0

    def tray_icon(self):
        """Where swaybar draws the status items: the bottom-right of the first
        output that is neither bar (black) nor background."""
        shot = self.screenshot("tray")
        width, height = OUTPUT
        found = box(shot, "-crop", f"{width // 2}x60+{width // 2}+{height - 60}", "+repage",
                    "-fuzz", "3%", "-fill", "black", "-opaque", BACKGROUND)
        assert found, "no status item in swaybar"
        return (found[0] + width // 2, found[1] + height - 60, *found[2:])


class XWaylandDesktop(Wayland):
    """A desktop whose virtual outputs sit side by side from its start, and whose
    probes are X11 terminals on its XWayland, placed and focused as xdotool says."""

    def __init__(self, shots, outputs):
        super().__init__(shots)
        self.count = outputs

    def outputs(self):
        return [(i * OUTPUT[0], 0, *OUTPUT) for i in range(self.count)]

    def xdotool(self, *args):
        found = self.popen(["xdotool", *args], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return found.communicate(timeout=10)[0].decode().split()

    def native(self, name, output):
        self.activate(output)
        window = self.popen(["python3", "-c", NATIVE], env={**self.env, "GDK_BACKEND": "wayland"},
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.processes.append(window)
        ready, _, _ = select.select([window.stdout], [], [], 20)
        assert ready and window.stdout.readline() == b"shown\n", f"the window {name}"
        time.sleep(1)  # maximised

    def probe(self, name, output=None):
        log = super().probe(name, output)
        # Mutter opens it next to the focused window, wherever the pointer is.
        if output and not self._inside(self.windows()[name][1], output):
            for window in self.xdotool("search", "--class", f"^{name}$"):
                self.xdotool("windowmove", window, str(output[0] + 100), str(output[1] + 100))
            wait_until(lambda: self._inside(self.windows()[name][1], output), 5, f"{name} moved")
        return log

    @staticmethod
    def _inside(window, output):
        return output[0] <= window[0] < output[0] + output[2]

    def take_focus(self, name, log):
        # Focus stealing prevention may keep a new window in the back, and the X11
        # active window need not have the keyboard: a click into it, then a key
        # that must reach it.
        window = self.windows().get(name)
        if not window:
            return False
        x, y, width, height = window[1]
        self.click(x + width // 2, y + height // 2)
        time.sleep(1)  # the focus settled
        typed = len(log.read_bytes())
        self.type("z")
        time.sleep(0.5)
        return window[0] and b"z" in log.read_bytes()[typed:]

    def windows(self):
        active = self.xdotool("getactivewindow")
        found = {}
        for name in self.probes:
            for window in self.xdotool("search", "--class", f"^{name}$"):
                shape = dict(word.split("=") for word in
                             self.xdotool("getwindowgeometry", "--shell", window))
                found[name] = (active == [window], tuple(int(shape[key]) for key in
                                                          ("X", "Y", "WIDTH", "HEIGHT")))
        return found


SHIFT, ESCAPE = 0xFFE1, 0xFF1B  # X keysyms


class Gnome(XWaylandDesktop):
    """GNOME Shell 43 headless on virtual monitors, the AppIndicator extension as
    its tray; input through Mutter's RemoteDesktop."""

    SETTINGS = [
        ("org.gnome.shell", "enabled-extensions", "['ubuntu-appindicators@ubuntu.com']"),
        ("org.gnome.shell", "disable-user-extensions", "false"),
        # No corner that opens the overview, no banner over the card, no waiting on animations.
        ("org.gnome.desktop.interface", "enable-hot-corners", "false"),
        ("org.gnome.desktop.interface", "enable-animations", "false"),
        ("org.gnome.desktop.notifications", "show-banners", "false"),
        ("org.gnome.desktop.background", "picture-uri", "''"),
        ("org.gnome.desktop.background", "primary-color", f"'{BACKGROUND}'"),
    ]

    def __init__(self, shots, outputs=1):
        super().__init__(shots, outputs)
        try:
            for setting in self.SETTINGS:
                assert self.popen(["gsettings", "set", *setting]).wait(10) == 0, setting
            monitors = [f"--virtual-monitor={OUTPUT[0]}x{OUTPUT[1]}"] * outputs
            shell = self.popen(["gnome-shell", "--headless", "--wayland", *monitors],
                               stdout=(self.root / "gnome-shell.log").open("wb"),
                               stderr=subprocess.STDOUT)
            self.processes.append(shell)
            self.env["WAYLAND_DISPLAY"] = "wayland-0"
            self.env["DISPLAY"] = wait_until(lambda: self._xwayland(shell), 30, "XWayland")
            self.env["XAUTHORITY"] = str(wait_until(
                lambda: next(self.runtime.glob(".mutter-Xwaylandauth.*"), None), 30, "XAUTHORITY"))
            wait_until(lambda: self.bus.has_owner(WATCHER[0]), 60, "the AppIndicator tray")
            remote = "org.gnome.Mutter.RemoteDesktop"
            wait_until(lambda: self.bus.has_owner(remote), 30, remote)
            (self.input,) = self.bus.call(remote, "/org/gnome/Mutter/RemoteDesktop", remote,
                                          "CreateSession", None, "(o)")
            self._input("Start")
            self._key(SHIFT)  # a fresh keyboard drops its first key
            # It starts in the overview, which Escape closes.
            wait_until(self._overview, 30, "the overview")
            wait_until(lambda: self._key(ESCAPE) or not self._overview(), 15, "the desktop",
                       interval=1)
        except BaseException:
            self.close()
            raise
        self.write_settings(welcomed=True)

    @staticmethod
    def _xwayland(compositor):
        """The display of the compositor's XWayland, from its command line."""
        for pid in subprocess.run(["pgrep", "-P", str(compositor.pid), "Xwayland"],
                                  capture_output=True, text=True).stdout.split():
            words = Path(f"/proc/{pid}/cmdline").read_bytes().decode().split("\0")
            return next((word for word in words if word.startswith(":")), None)

    def _overview(self):
        return self.bus.property("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell",
                                 "OverviewActive")

    def _input(self, method, signature=None, *args):
        self.bus.call("org.gnome.Mutter.RemoteDesktop", self.input,
                      "org.gnome.Mutter.RemoteDesktop.Session", method,
                      GLib.Variant(signature, args) if signature else None)

    def grab(self, path):
        self.popen(["gnome-screenshot", "-f", str(path)]).wait(20)

    def move(self, x, y):
        # Relative motion only, without a screen cast: first to the top-left corner.
        # Motion that would leave every monitor stops at the edge of the current
        # one, so it goes there a monitor at a time.
        self._input("NotifyPointerMotionRelative", "(dd)", 0.0, -100000.0)
        for _ in range(self.count):
            self._input("NotifyPointerMotionRelative", "(dd)", -float(OUTPUT[0]), 0.0)
        self._input("NotifyPointerMotionRelative", "(dd)", float(x), float(y))

    def press(self, button, down):
        self._input("NotifyPointerButton", "(ib)", button, down)

    def _key(self, keysym):
        self._input("NotifyKeyboardKeysym", "(ub)", keysym, True)
        self._input("NotifyKeyboardKeysym", "(ub)", keysym, False)

    def type(self, text):
        for char in text:
            self._key(ord(char))  # a printable ASCII character is its own keysym


# The letters in the order of their Linux key codes from 16 (KEY_Q), rows unjoined.
KEYS = "qwertyuiop____asdfghjkl_____zxcvbnm"
KDE_SHELL = ("env > {environment}; QT_QPA_PLATFORM=wayland QT_QUICK_BACKEND=software "
             "LIBGL_ALWAYS_SOFTWARE=1 exec plasmashell --no-respawn")


class Kde(XWaylandDesktop):
    """KDE Plasma 5.27: KWin on virtual outputs with plasmashell, whose system tray
    is the tray host; pointer and keys from lumio_test_pointer over KWin's fake
    input."""

    def __init__(self, shots, outputs=1):
        super().__init__(shots, outputs)
        try:
            # A plain copy: the installed binary carries file capabilities that a
            # container may refuse to grant.
            kwin = self.root / "kwin/kwin_wayland"
            kwin.parent.mkdir()
            shutil.copy("/usr/bin/kwin_wayland", kwin)
            environment = self.runtime / "kwin.env"
            self._start([str(kwin), "--virtual", "--width", str(OUTPUT[0]), "--height",
                         str(OUTPUT[1]), "--output-count", str(outputs), "--xwayland",
                         "--no-lockscreen", "--socket", "wayland-0",
                         f"sh -c '{KDE_SHELL.format(environment=environment)}'"],
                        log=self.root / "kwin.log",
                        env={**self.env, "KWIN_WAYLAND_NO_PERMISSION_CHECKS": "1"})
            started = written_environment(environment, "DISPLAY", 60)
            for key in ("WAYLAND_DISPLAY", "DISPLAY", "XAUTHORITY"):
                if key in started:
                    self.env[key] = started[key]
            # What the session's start would do: the tray's watcher, a module of kded.
            wait_until(lambda: self.bus.has_owner("org.kde.plasmashell"), 90, "plasmashell")
            self.bus.call("org.kde.kded5", "/kded", "org.kde.kded5", "loadModule",
                          GLib.Variant("(s)", ("statusnotifierwatcher",)), "(b)")
            wait_until(lambda: self.bus.has_owner(WATCHER[0]), 30, "the tray's watcher")
            self.pointer = Pointer(self)
        except BaseException:
            self.close()
            raise
        self.write_settings(welcomed=True)

    def grab(self, path):
        self.popen(["spectacle", "-b", "-n", "-f", "-o", str(path)]).wait(30)

    def move(self, x, y):
        self.pointer.send(f"move {x} {y} 0 0")

    def type(self, text):
        # Through KWin, as a keyboard's keys come; letters only.
        for char in text:
            self.pointer.send(f"key {KEYS.index(char) + 16}")


DESKTOPS = {"sway": Sway, "gnome": Gnome, "kde": Kde}
