"""Lumio reached without a tray: org.freedesktop.Application on the session bus,
a second launch that forwards, and D-Bus activation from nothing."""

import os
import subprocess
from pathlib import Path

import pytest

from conftest import BUS_CONFIG, LUMIO_BIN, wait_until

APP_ID = "io.github.lumio.Lumio"
PATH = "/io/github/lumio/Lumio"


def call(session, method, *args, address=None):
    """gdbus call on the session bus; (ok, output)."""
    result = subprocess.run(
        ["gdbus", "call", "--address", address or session.session_bus_address, "--dest", APP_ID,
         "--object-path", PATH, "--method", f"org.freedesktop.Application.{method}", *args],
        capture_output=True, text=True, timeout=30)
    return result.returncode == 0, result.stdout + result.stderr


def copies_started_by(address):
    """Running lumio processes whose session bus is at address."""
    found = []
    for proc in Path("/proc").iterdir():
        try:
            if os.readlink(proc / "exe") != LUMIO_BIN:
                continue
            environ = (proc / "environ").read_bytes().split(b"\0")
        except OSError:
            continue
        # The bus hands its address on with its guid after it.
        if any(v.startswith(f"DBUS_STARTER_ADDRESS={address}".encode()) for v in environ):
            found.append(proc.name)
    return found


def launched_without_tray(session):
    session.write_settings(welcomed=True)
    run = session.launch()
    wait_until(lambda: session.bus.has_owner(APP_ID), what="Lumio on the session bus")
    return run


def test_actions_over_dbus_without_a_tray(bare_session, shots):
    session = bare_session
    run = launched_without_tray(session)

    ok, _ = call(session, "ActivateAction", "break-now", "[]", "{}")
    assert ok
    wait_until(lambda: session.settings().get("stat.shown") == 1, what="a break shown")

    for action, parameter in (("dance", "[]"), ("break-now", "[<1>]")):
        ok, output = call(session, "ActivateAction", action, parameter, "{}")
        assert not ok and "InvalidArgs" in output, output
    ok, output = call(session, "Open", "['file:///etc/passwd']", "{}")
    assert not ok and "NotSupported" in output, output
    assert session.settings().get("stat.shown") == 1

    ok, _ = call(session, "ActivateAction", "toggle-pause", "[]", "{}")
    assert ok
    session.start_tray()
    assert session.tray_menu(timeout=8).entries()[0].label.startswith("Tạm dừng đến ")

    ok, _ = call(session, "ActivateAction", "quit", "[]", "{}")
    assert ok
    assert run.wait() == 0


def test_activate_pops_the_menu_up_without_a_tray(bare_session, shots):
    session = bare_session
    run = launched_without_tray(session)
    session.x("xdotool", "mousemove", "600", "300")
    ok, _ = call(session, "Activate", "{}")
    assert ok
    wait_until(lambda: session.popup_menus(), what="the menu on screen")
    session.screenshot(shots("activated-menu"))
    assert run.running()


@pytest.mark.parametrize("options, effect", [
    (("--break-now",), lambda s: s.settings().get("stat.shown") == 1),
    ((), lambda s: s.popup_menus()),
])
def test_a_second_launch_hands_its_request_over(bare_session, options, effect):
    session = bare_session
    first = launched_without_tray(session)
    second = session.launch(*options)
    assert second.wait() == 0
    assert second.stdout == "" and second.stderr == ""
    wait_until(lambda: effect(session), what="the request done by the first copy")
    assert first.running()


def test_quit_option_ends_the_running_copy_and_starts_none(bare_session):
    session = bare_session
    assert session.launch("--quit").wait() == 0
    assert not session.bus.has_owner(APP_ID)
    first = launched_without_tray(session)
    assert session.launch("--quit").wait() == 0
    assert first.wait() == 0


def test_dbus_activation_starts_exactly_one_copy(bare_session):
    session = bare_session
    session.write_settings(welcomed=True)
    services = session.root / "services"
    services.mkdir()
    (services / f"{APP_ID}.service").write_text(
        f"[D-BUS Service]\nName={APP_ID}\nExec={LUMIO_BIN}\n")
    socket = session.root / "activating-bus"
    config = session.root / "activating-bus.conf"
    config.write_text(BUS_CONFIG.format(type="session", socket=socket).replace(
        "</busconfig>", f"  <servicedir>{services}</servicedir>\n</busconfig>"))
    address = f"unix:path={socket}"
    daemon = subprocess.Popen(["dbus-daemon", f"--config-file={config}", "--nofork"],
                              env={**session.env, "DBUS_SESSION_BUS_ADDRESS": address},
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    session.processes.append(daemon)
    wait_until(socket.exists, what="the bus")

    calls = [subprocess.Popen(
        ["gdbus", "call", "--address", address, "--dest", APP_ID, "--object-path", PATH,
         "--method", "org.freedesktop.Application.ActivateAction", action, "[]", "{}"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) for action in ("toggle-pause",
                                                                            "toggle-enabled")]
    assert [c.wait(30) for c in calls] == [0, 0]
    assert len(copies_started_by(address)) == 1
    assert session.settings().get("enabled") is False
    ok, _ = call(session, "ActivateAction", "quit", "[]", "{}", address=address)
    assert ok
