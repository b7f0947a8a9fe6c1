"""The break page's own process, lumio-break: Lumio does without the web
engine, the helper never outlives it, and whatever happens to the helper
costs at most the break on screen."""

import os
import signal
import subprocess
from pathlib import Path

import pytest

import conftest
from conftest import wait_until
from test_overlay import animal_panel, dim_panel

HELPER_FAULT = "trình hiện giờ nghỉ mắt"


def helper_of(run):
    return wait_until(run.children, timeout=15, what="the break helper")[0]


def gone(pid):
    try:
        state = Path(f"/proc/{pid}/stat").read_text().rpartition(")")[2].split()[0]
    except FileNotFoundError:
        return True
    return state == "Z"


def test_lumio_does_not_link_the_web_engine():
    linked = subprocess.run(["ldd", conftest.LUMIO_BIN], capture_output=True, text=True,
                            check=True).stdout
    assert "libQt6Widgets" in linked
    assert "WebEngine" not in linked and "WebChannel" not in linked


@pytest.mark.parametrize("how", [signal.SIGKILL, signal.SIGSTOP], ids=["killed", "stuck"])
def test_a_helper_killed_or_stuck_during_a_break_leaves_nothing_on_screen(composited, how):
    session = composited
    run = session.launch("--break-now")
    wait_until(lambda: animal_panel(session) and dim_panel(session), timeout=15,
               what="the break")
    os.kill(helper_of(run), how)
    wait_until(lambda: not animal_panel(session) and not dim_panel(session), timeout=10,
               what="both panels to go")
    assert run.running()
    assert session.settings()["stat.shown"] == 1
    (said,) = run.complaints()
    assert HELPER_FAULT in said

    session.tray_menu().click("Nghỉ mắt ngay")
    wait_until(lambda: animal_panel(session), timeout=15, what="the next break, from a new helper")
    assert session.settings()["stat.shown"] == 2
    assert run.stop() == 0


def test_the_helper_ends_with_lumio(composited):
    session = composited
    run = session.launch("--break-now")
    wait_until(lambda: animal_panel(session), timeout=15, what="the break")
    helper = helper_of(run)
    run.process.kill()
    run.process.wait()
    wait_until(lambda: gone(helper), timeout=1, interval=0.02, what="the helper to end")
    wait_until(lambda: not animal_panel(session), what="the panel to go")
