"""One copy per user; a later launch, or D-Bus activation, hands its request to it
over org.freedesktop.Application."""

from concurrent.futures import ThreadPoolExecutor

from gi.repository import GLib

from support.desktop import LUMIO_BIN, wait_until

APP_ID = "io.github.lumio.Lumio"


def test_one_copy_runs_and_a_later_launch_hands_its_request_over(desktop):
    first, second = desktop.launch(), desktop.launch()
    (ended,) = wait_until(lambda: [run for run in (first, second) if not run.running()],
                          what="one of the two copies to step aside")
    assert ended.wait() == 0
    winner = second if ended is first else first
    wait_until(lambda: desktop.bus.has_owner(APP_ID), what="Lumio on the bus")
    assert desktop.launch("--break-now").wait() == 0
    wait_until(lambda: desktop.settings().get("stat.shown") == 1, what="the break shown")
    assert winner.running() and len(desktop.tray.items) == 1
    assert winner.stop() == 0


def activate(desktop, *actions):
    """Asks for each action at once, over the bus, as separate launchers would."""
    with ThreadPoolExecutor() as pool:
        list(pool.map(lambda action: desktop.bus.call(
            APP_ID, "/io/github/lumio/Lumio", "org.freedesktop.Application", "ActivateAction",
            GLib.Variant("(sava{sv})", (action, [], {}))), actions))


def test_dbus_activation_starts_exactly_one_copy(desktop):
    started = desktop.root / "started"
    (desktop.services / f"{APP_ID}.service").write_text(
        f"[D-BUS Service]\nName={APP_ID}\n"
        f"Exec=/bin/sh -c 'echo started >> {started}; exec {LUMIO_BIN}'\n")
    try:
        activate(desktop, "toggle-pause", "toggle-enabled")
        assert desktop.settings().get("enabled") is False
        assert started.read_text().split() == ["started"]
    finally:
        activate(desktop, "quit")
