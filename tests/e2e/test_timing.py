"""The measurement aids benchmarks use: a sped-up clock and the timing log.
Also how a change made to the settings file by another program takes effect."""

import json
import re
import time

from conftest import wait_until
from test_overlay import complaints, composited  # noqa: F401  (a fixture)

PAINTED = re.compile(r"painted tick_ms=(\d+\.\d|-) script_ms=(\d+\.\d)")


def write_settings(session, **values):
    path = session.settings_path
    current = json.loads(path.read_text()) if path.exists() else {}
    current.update(values)
    staged = path.with_suffix(".next")
    staged.write_text(json.dumps(current))
    staged.replace(path)


def test_reminders_switched_on_in_the_file_come_on_a_sped_up_clock_and_are_timed(
        composited, tmp_path):  # noqa: F811
    session = composited
    log = tmp_path / "timing.log"
    session.settings_path.parent.mkdir(parents=True)
    write_settings(session, welcomed=True, enabled=False, intervalMin=1)
    session.env.update(LUMIO_TIME_SCALE="60", LUMIO_TIMING_LOG=str(log))
    run = session.launch()

    time.sleep(3)  # three minutes on the program's clock, with reminders off
    assert log.read_text() == ""
    assert "stat.shown" not in session.settings()

    write_settings(session, enabled=True)  # as another program would
    # A minute's interval and a 20 s break: a break every 1.3 s of real time.
    lines = wait_until(lambda: (lambda found: found if len(found) >= 2 else None)(
        log.read_text().splitlines()), timeout=20, what="two breaks in the timing log")
    for line in lines:
        match = PAINTED.fullmatch(line)
        assert match, line
        assert match.group(1) != "-", "shown by a tick"
        assert float(match.group(1)) >= float(match.group(2))
    assert session.settings()["stat.shown"] >= 2
    assert run.stop() == 0
    assert complaints(run) == []


def test_a_bad_time_scale_is_said_and_ignored(session):
    session.env["LUMIO_TIME_SCALE"] = "fast"
    run = session.launch()
    wait_until(lambda: "LUMIO_TIME_SCALE" in run.stderr, what="the warning")
    assert run.running()
    assert run.stop() == 0
    assert run.stderr.count("bỏ qua LUMIO_TIME_SCALE=fast (cần một số từ 1 đến 10000)") == 1
