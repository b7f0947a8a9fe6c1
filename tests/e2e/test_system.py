"""What the desktop around the program tells it: a locked screen, a wake from
sleep, a user who has walked away, and the login autostart folder.

logind, the screen savers and Mutter's idle monitor are the fakes of fakes/,
on this session's private buses; the program is watched through its tray menu
and its settings file.
"""

import re
import subprocess
import sys
import time
from pathlib import Path

import pytest

import conftest
from conftest import Bus, GLib, wait_until

COUNTDOWN = re.compile(r"Lần nghỉ mắt tới: (\d+):(\d\d)")
AWAY = "Bạn đang rời máy – sẽ đếm lại khi quay về"
LAUNCH_AT_LOGIN = "Mở cùng máy tính"
TEST_INTERFACE = "org.lumio.Test"
LOGIN1 = "org.freedesktop.login1"
LOGIN1_PATH = "/org/freedesktop/login1"
SESSION_ID = "c7"
SCREEN_SAVERS = ["org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver",
                 "org.cinnamon.ScreenSaver", "org.xfce.ScreenSaver"]
# Seconds of the shortest cycle, which "intervalMin": 0 asks for.
SHORTEST_CYCLE = 30


def start_fake(session, script, *args):
    """Starts one of fakes/ on this session's buses once it owns its names."""
    fake = subprocess.Popen([sys.executable, "-B", str(conftest.HERE / "fakes" / script), *args],
                            env=session.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            text=True)
    session.processes.append(fake)
    assert fake.stdout.readline().strip() == "ready", f"{script} did not start"
    return fake


@pytest.fixture
def system_bus(session):
    bus = Bus(session.system_bus_address)
    yield bus
    bus.close()


class Logind:
    def __init__(self, bus):
        self.bus = bus

    def _control(self, method, signature, *args):
        self.bus.call(LOGIN1, LOGIN1_PATH, TEST_INTERFACE, method, GLib.Variant(signature, args))

    def lock(self, locked):
        self._control("SetLockedHint", "(sb)", SESSION_ID, locked)

    def sleep(self, sleeping):
        self._control("EmitPrepareForSleep", "(b)", sleeping)


@pytest.fixture
def logind(session, system_bus):
    """A logind that knows this user's session by the id in XDG_SESSION_ID."""
    start_fake(session, "fake_logind.py", "--session", SESSION_ID)
    session.env["XDG_SESSION_ID"] = SESSION_ID
    return Logind(system_bus)


def launch(session, **settings):
    """Starts the program past its welcome, with its menu open in the tray."""
    session.write_settings(welcomed=True, **settings)
    run = session.launch()
    menu = session.tray_menu()
    menu.open()
    return run, menu


def first_line(menu):
    return menu.entries()[0].label


def countdown(menu):
    """Seconds left as the menu's first line shows them."""
    label = first_line(menu)
    match = COUNTDOWN.fullmatch(label)
    assert match, label
    return int(match.group(1)) * 60 + int(match.group(2))


def run_down_a_little(menu):
    """Lets the countdown run until it clearly reads less than a full interval."""
    wait_until(lambda: countdown(menu) <= 20 * 60 - 3, timeout=6, what="the countdown to run")


def assert_counts_from_now(menu, lead=20 * 60):
    assert lead - 1 <= countdown(menu) <= lead


def quit_cleanly(run):
    assert run.stop() == 0
    assert run.stderr == ""


def test_unlocking_the_logind_session_counts_a_full_interval_again(session, logind):
    run, menu = launch(session)
    run_down_a_little(menu)

    before = countdown(menu)
    logind.lock(True)
    time.sleep(2)
    # Locked, the countdown goes on as before.
    assert countdown(menu) < before

    logind.lock(False)
    wait_until(lambda: countdown(menu) >= 20 * 60 - 1, timeout=2, what="a full interval")
    assert_counts_from_now(menu)
    quit_cleanly(run)


@pytest.mark.parametrize("found_by", ["--pid-session", "--display-session"])
def test_without_xdg_session_id_the_session_is_still_found(session, system_bus, found_by):
    start_fake(session, "fake_logind.py", found_by, SESSION_ID)
    logind = Logind(system_bus)
    run, menu = launch(session)
    run_down_a_little(menu)

    logind.lock(True)
    time.sleep(1)
    logind.lock(False)
    wait_until(lambda: countdown(menu) >= 20 * 60 - 1, timeout=2, what="a full interval")
    quit_cleanly(run)


@pytest.mark.parametrize("interface", SCREEN_SAVERS)
def test_a_screen_saver_going_away_counts_a_full_interval_again(session, interface):
    start_fake(session, "fake_screensaver.py")
    run, menu = launch(session)
    run_down_a_little(menu)

    def active(on):
        session.bus.call(interface, "/org/lumio/Test", TEST_INTERFACE, "EmitActiveChanged",
                         GLib.Variant("(sb)", (interface, on)))

    before = countdown(menu)
    active(True)
    time.sleep(2)
    assert countdown(menu) < before

    active(False)
    wait_until(lambda: countdown(menu) >= 20 * 60 - 1, timeout=2, what="a full interval")
    assert_counts_from_now(menu)
    quit_cleanly(run)


def test_waking_from_sleep_counts_a_full_interval_again(session, logind):
    run, menu = launch(session)
    run_down_a_little(menu)

    before = countdown(menu)
    logind.sleep(True)
    time.sleep(2)
    assert countdown(menu) < before

    logind.sleep(False)
    wait_until(lambda: countdown(menu) >= 20 * 60 - 1, timeout=2, what="a full interval")
    assert_counts_from_now(menu)
    quit_cleanly(run)


def test_waking_during_a_pause_keeps_the_pause(session, logind):
    run, menu = launch(session)
    menu.click("Tạm dừng 1 giờ")
    paused = first_line(menu)
    assert paused.startswith("Tạm dừng đến "), paused

    logind.sleep(True)
    logind.sleep(False)
    time.sleep(1.5)
    assert first_line(menu).startswith("Tạm dừng đến ")
    quit_cleanly(run)


def test_a_break_that_falls_due_while_locked_is_not_shown(session, logind):
    run, menu = launch(session, intervalMin=0)
    logind.lock(True)
    due_in = countdown(menu)
    assert due_in <= SHORTEST_CYCLE

    # Past the due moment the countdown starts over on the next cycle.
    wait_until(lambda: countdown(menu) <= 1, timeout=due_in + 2, interval=0.2,
               what="the due moment")
    wait_until(lambda: countdown(menu) >= SHORTEST_CYCLE - 2, timeout=3,
               what="the next cycle")
    time.sleep(1.5)
    assert session.settings().get("stat.shown", 0) == 0
    quit_cleanly(run)


@pytest.fixture
def mutter_idle(session):
    """Mutter's idle monitor on a desktop that is not X11, so the program asks it
    rather than the X server (which the program still draws through)."""
    start_fake(session, "fake_idle_monitor.py", "--idle-ms", "0")
    session.env["XDG_SESSION_TYPE"] = "wayland"
    session.env.pop("WAYLAND_DISPLAY", None)

    def set_idle(milliseconds):
        session.bus.call("org.gnome.Mutter.IdleMonitor", "/org/lumio/Test", TEST_INTERFACE,
                         "SetIdletime", GLib.Variant("(t)", (milliseconds,)))

    return set_idle


def test_a_user_away_five_minutes_is_shown_as_away_until_back(session, mutter_idle):
    run, menu = launch(session)
    run_down_a_little(menu)

    mutter_idle(400_000)
    wait_until(lambda: first_line(menu) == AWAY, timeout=2.5, what="the away line")

    # Input minutes ago is not coming back yet: only fresh input is.
    mutter_idle(100_000)
    time.sleep(1.5)
    assert first_line(menu) == AWAY

    mutter_idle(0)
    wait_until(lambda: COUNTDOWN.fullmatch(first_line(menu)), timeout=2.5, what="a countdown")
    assert_counts_from_now(menu)
    quit_cleanly(run)


def test_a_break_that_falls_due_while_away_is_not_shown(session, mutter_idle):
    mutter_idle(400_000)
    run, menu = launch(session, intervalMin=0)
    # The countdown starts before the icon reaches the tray.
    due_by = time.monotonic() + SHORTEST_CYCLE
    wait_until(lambda: first_line(menu) == AWAY, timeout=2.5, what="the away line")

    time.sleep(due_by + 2 - time.monotonic())
    assert first_line(menu) == AWAY
    assert session.settings().get("stat.shown", 0) == 0

    mutter_idle(0)
    wait_until(lambda: COUNTDOWN.fullmatch(first_line(menu)), timeout=2.5, what="a countdown")
    assert_counts_from_now(menu, SHORTEST_CYCLE)
    quit_cleanly(run)


def test_on_x11_the_x_servers_idle_time_wins(session):
    # The desktop's monitor calls the user long gone; the X server saw input just now.
    start_fake(session, "fake_idle_monitor.py", "--idle-ms", "400000")
    run, menu = launch(session)
    for x in (10, 200, 400):
        session.x("xdotool", "mousemove", str(x), "300")
        time.sleep(0.7)
    assert COUNTDOWN.fullmatch(first_line(menu)), first_line(menu)
    quit_cleanly(run)


def autostart_entry(session):
    return session.config / "autostart" / "lumio.desktop"


def desktop_entry(path):
    lines = path.read_text().splitlines()
    assert lines[0] == "[Desktop Entry]"
    return dict(line.split("=", 1) for line in lines[1:] if "=" in line)


def test_launch_at_login_is_switched_from_the_menu(session):
    run, menu = launch(session)
    assert not menu.find(LAUNCH_AT_LOGIN).checked

    menu.click(LAUNCH_AT_LOGIN)
    entry = autostart_entry(session)
    wait_until(entry.exists, what="the autostart entry")
    keys = desktop_entry(entry)
    assert keys["Type"] == "Application"
    assert Path(keys["Exec"]).is_absolute()
    assert Path(keys["Exec"]).resolve() == Path(conftest.LUMIO_BIN).resolve()
    wait_until(lambda: menu.find(LAUNCH_AT_LOGIN).checked, what="the item to be checked")
    assert menu.find(LAUNCH_AT_LOGIN).props.get("toggle-state") == 1

    menu.click(LAUNCH_AT_LOGIN)
    wait_until(lambda: not entry.exists(), what="the entry to go")
    wait_until(lambda: not menu.find(LAUNCH_AT_LOGIN).checked, what="the item to be unchecked")
    quit_cleanly(run)


def test_an_unusable_autostart_folder_is_reported(session, shots):
    run, menu = launch(session)
    # Root writes through any permission bits; a file where the folder belongs
    # stops it all the same.
    blocker = session.config / "autostart"
    blocker.write_text("")

    menu.click(LAUNCH_AT_LOGIN)
    alert = wait_until(lambda: session.windows_titled("Lumio"), timeout=5, what="the alert")[0]
    assert "_NET_WM_WINDOW_TYPE_DIALOG" in session.window_type(alert)
    time.sleep(0.3)
    session.screenshot(shots("alert"))
    assert not menu.find(LAUNCH_AT_LOGIN).checked

    session.x("xdotool", "windowfocus", "--sync", str(alert), "key", "Return")
    wait_until(lambda: not session.windows_titled("Lumio"), what="the alert to close")
    assert blocker.is_file()
    assert not menu.find(LAUNCH_AT_LOGIN).checked
    quit_cleanly(run)
