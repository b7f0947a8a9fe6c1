"""The process and its surroundings: signals that end it, and a session without a
display or a bus."""

import random
import signal
import subprocess
import time
from pathlib import Path

import pytest

from support.desktop import stop, wait_until


@pytest.mark.parametrize("how", [signal.SIGINT, signal.SIGHUP], ids=["SIGINT", "SIGHUP"])
def test_a_signal_to_stop_ends_lumio_cleanly(desktop, how):
    run = desktop.launch()
    wait_until(lambda: desktop.tray.items, what="the tray icon")
    run.process.send_signal(how)
    assert run.wait(5) == 0


def free_display():
    return f":{random.randrange(30000, 40000)}"


@pytest.mark.parametrize("display, seconds, line", [
    (None, 1, "lumio: no display: DISPLAY is not set"),
    (free_display(), 8, "cannot open the display"),
], ids=["unset", "nothing-there"])
def test_without_a_display_lumio_says_so_and_ends(desktop, display, seconds, line):
    run = desktop.launch(env={"DISPLAY": display, "WAYLAND_DISPLAY": None})
    assert run.wait(seconds) == 1
    assert line in run.log.read_text()
    assert run.helpers() == []


def test_a_display_that_comes_up_a_moment_later_is_waited_for(desktop):
    display = free_display()
    run = desktop.launch(env={"DISPLAY": display})
    time.sleep(1)
    xvfb = subprocess.Popen(["Xvfb", display, "-nolisten", "tcp"], stderr=subprocess.DEVNULL)
    try:
        wait_until(lambda: desktop.tray.items, 10, "the tray icon")
        assert run.stop() == 0
    finally:
        stop(xvfb)


def buses_started_for(desktop):
    """Bus daemons with the desktop's home in their environment other than its own."""
    home, own = desktop.home, {process.pid for process in desktop.processes}
    found = []
    for proc in Path("/proc").iterdir():
        if not proc.name.isdigit() or int(proc.name) in own:
            continue
        try:
            bus = (proc / "comm").read_text().strip() in ("dbus-launch", "dbus-daemon")
            if bus and f"HOME={home}".encode() in (proc / "environ").read_bytes().split(b"\0"):
                found.append(int(proc.name))
        except OSError:
            pass  # gone meanwhile
    return found


def test_without_a_session_bus_no_bus_is_started(desktop):
    run = desktop.launch("--break-now", env={"DBUS_SESSION_BUS_ADDRESS": None})
    wait_until(lambda: desktop.settings().get("stat.shown") == 1, 15, "the break")
    assert "no session bus" in run.log.read_text()
    assert run.stop() == 0
    assert buses_started_for(desktop) == []
