"""The measurement aids benchmarks use: a sped-up clock and the timing log.
Also how a change made to the settings file by another program takes effect."""

import re
import time

from conftest import wait_until

PAINTED = re.compile(r"painted tick_ms=(\d+\.\d|-) script_ms=(\d+\.\d)")


def test_reminders_switched_on_in_the_file_come_on_a_sped_up_clock_and_are_timed(
        composited, tmp_path):
    session = composited
    log = tmp_path / "timing.log"
    session.write_settings(welcomed=True, enabled=False, intervalMin=1)
    session.env.update(LUMIO_TIME_SCALE="60", LUMIO_TIMING_LOG=str(log))
    run = session.launch()

    time.sleep(3)  # three minutes on the program's clock, with reminders off
    assert log.read_text() == ""
    assert "stat.shown" not in session.settings()

    session.write_settings(enabled=True)  # as another program would
    # A minute's interval and a 20 s break: a break every 1.3 s of real time.
    lines = wait_until(lambda: (lambda found: found if len(found) >= 3 else None)(
        log.read_text().splitlines()), timeout=20, what="three breaks in the timing log")
    for number, line in enumerate(lines):
        match = PAINTED.fullmatch(line)
        assert match, line
        # The first break comes a second after reminders are on, maybe before
        # the break page has loaded: then it is shown once it has, not by a tick.
        if number > 0:
            assert match.group(1) != "-", "shown by a tick"
            assert float(match.group(1)) >= float(match.group(2))
    assert session.settings()["stat.shown"] >= 3
    assert run.stop() == 0
    assert run.complaints() == []


def test_a_bad_time_scale_is_said_and_ignored(session):
    session.env["LUMIO_TIME_SCALE"] = "fast"
    run = session.launch()
    wait_until(lambda: "LUMIO_TIME_SCALE" in run.stderr, what="the warning")
    assert run.running()
    assert run.stop() == 0
    assert run.stderr.count("bỏ qua LUMIO_TIME_SCALE=fast (cần một số từ 1 đến 10000)") == 1
