"""One copy per user; a later launch hands its request to it over
org.freedesktop.Application."""

from support.desktop import wait_until

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
