"""Lumio through hundreds of breaks: how quickly each reaches the screen, and
whether memory grows.

Lumio runs on a private desktop (Xvfb, xcompmgr, private buses, a tray host)
with its clock sped up (LUMIO_TIME_SCALE) and its timing log on
(LUMIO_TIMING_LOG). Every break is answered the way a person would, with a
click on "Xong rồi" (xdotool), after its first frame was painted. PSS of the
whole process tree is taken after break 10 and after the last one, each time
with reminders paused from the tray menu and the program left to
settle, so both figures are of the same quiet state.

Prints a Markdown section; bench/run.sh appends it to bench/RESULTS.md.
"""

import json
import os
import statistics
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests" / "e2e"))

import cdp  # noqa: E402
import conftest  # noqa: E402
import idle_bench  # noqa: E402

BREAKS = int(os.environ.get("BENCH_BREAKS", "500"))
FIRST_MARK = 10
TIME_SCALE = float(os.environ.get("BENCH_TIME_SCALE", "100"))
# Kept well under the hour a pause lasts on the sped-up clock (36 s at 100×).
QUIET_SECONDS = float(os.environ.get("BENCH_QUIET_SECONDS", "8"))
# A break every 80 s of program time (a minute's interval plus the 20 s
# break): 0.8 s of real time at the default scale, enough to answer it and let
# it leave before the next one.
SETTINGS = {"welcomed": True, "intervalMin": 1, "breakSec": 20, "sound": False, "dim": True}
SCREEN = (1280, 800)
PANEL = (340, 430)


class Run:
    def __init__(self, root):
        self.session = conftest.Session(root / "desktop", tray=True)
        self.session.start_compositor()
        self.session.write_settings(**SETTINGS, enabled=False)  # quiet until the page has loaded
        self.timing = root / "timing.log"
        self.port = conftest.free_port()
        env = dict(self.session.env, LUMIO_TIME_SCALE=f"{TIME_SCALE:g}",
                   LUMIO_TIMING_LOG=str(self.timing),
                   QTWEBENGINE_REMOTE_DEBUGGING=f"127.0.0.1:{self.port}")
        self.session.env = env
        self.lumio = self.session.launch()
        self.seen = 0  # painted breaks answered so far
        self.button = None

    def done_count(self):
        try:
            return self.session.settings().get("stat.done", 0)
        except (OSError, ValueError):
            return -1  # caught mid-write by another program: look again

    def painted(self):
        if not self.timing.exists():
            return []
        return [dict(field.split("=") for field in line.split()[1:])
                for line in self.timing.read_text().splitlines() if line.startswith("painted ")]

    def done_button(self):
        """Where "Xong rồi" is on the screen, asked of the page once; the
        debugger leaves again at once so the page sleeps between breaks as usual."""
        target = cdp.wait_for_page(self.port, "/overlay.html", 20)
        with cdp.Session(target["webSocketDebuggerUrl"]) as page:
            box = json.loads(page.evaluate(
                "JSON.stringify(document.querySelector('[data-action=done]')"
                ".getBoundingClientRect())"))
        return (SCREEN[0] - PANEL[0] + int(box["x"] + box["width"] / 2),
                SCREEN[1] - PANEL[1] + int(box["y"] + box["height"] / 2))

    def answer_next_break(self):
        """Waits for a break not yet seen on the screen and clicks "Xong rồi"
        on it, again if a click came too early to count."""
        conftest.wait_until(lambda: len(self.painted()) > self.seen, timeout=30, interval=0.005,
                            what=f"break {self.seen + 1} painted")
        self.seen = len(self.painted())
        if self.button is None:
            self.button = self.done_button()
        before = self.done_count()
        for _ in range(3):
            self.session.x("xdotool", "mousemove", str(self.button[0]), str(self.button[1]),
                           "click", "1")
            try:
                conftest.wait_until(lambda: self.done_count() > before, timeout=2,
                                    interval=0.005, what="the answer counted")
                return
            except AssertionError:
                continue
        raise RuntimeError(f"break {self.seen} would not take an answer")

    def quiet_pss(self):
        """PSS of the tree once reminders are paused and the program has settled.
        Paused from the menu, as a person would: the program keeps writing its
        tally to the settings file, which another writer here would race."""
        menu = self.session.tray_menu()
        menu.click("Tạm dừng 1 giờ")
        time.sleep(1)
        while len(self.painted()) > self.seen:  # came before the click did
            self.answer_next_break()
        time.sleep(QUIET_SECONDS)
        mib = idle_bench.tree_pss_mib(self.lumio.process.pid)
        menu.click("Tiếp tục nhắc")
        return mib

    def close(self):
        self.lumio.stop()
        self.session.close()


def main():
    root = Path(tempfile.mkdtemp(prefix="lumio-breaks-"))
    run = Run(root)
    result = {"breaks": BREAKS, "time_scale": TIME_SCALE, "quiet_seconds": QUIET_SECONDS}
    try:
        time.sleep(QUIET_SECONDS)
        result["pss_loaded_no_break"] = idle_bench.tree_pss_mib(run.lumio.process.pid)
        run.session.write_settings(enabled=True)
        for number in range(1, BREAKS + 1):
            run.answer_next_break()
            if number == FIRST_MARK:
                result["pss_after_10"] = run.quiet_pss()
            if not run.lumio.running():
                raise RuntimeError(f"lumio ended after break {number}")
        result["pss_after_last"] = run.quiet_pss()
        result["answered"] = run.done_count()
        marks = run.painted()
        ticks = [float(m["tick_ms"]) for m in marks if m["tick_ms"] != "-"]
        result["painted_lines"] = len(marks)
        result["tick_to_painted_ms"] = {
            "median_first_20": statistics.median(ticks[:20]),
            "median_all": statistics.median(ticks),
            "p95_all": statistics.quantiles(ticks, n=20)[-1],
            "max_all": max(ticks),
        }
        result["script_to_painted_median_ms"] = statistics.median(
            float(m["script_ms"]) for m in marks)
        result["growth_percent"] = 100 * (result["pss_after_last"] / result["pss_after_10"] - 1)
        result["stderr"] = [line for line in run.lumio.stderr.splitlines()
                            if line.strip() and "DevTools" not in line
                            and "Remote debugging" not in line][:10]
    finally:
        run.close()
    print(report(result))


def report(r):
    timing = r["tick_to_painted_ms"]
    lines = [
        "# Breaks: time to the screen, and memory over many breaks",
        "",
        f"- {r['breaks']} breaks in a row ({r['answered']} answered in all, counting any that "
        "came while reminders were being paused for a reading), clock sped up "
        f"{r['time_scale']:g}× (`LUMIO_TIME_SCALE`), each answered with a real click on \"Xong rồi\" once painted; "
        "timings from the program's own log (`LUMIO_TIMING_LOG`): from the start of the tick "
        "that found the break due to the page's first frame with the animal (a frame callback, "
        "then a task after it, reported back over the page's channel).",
        f"- PSS with reminders paused from the tray menu and {r['quiet_seconds']:g} s "
        "to settle, so every reading is of the same quiet state.",
        "",
        "| Figure | Value |",
        "|---|---:|",
        f"| Tick to painted, median of the first 20 breaks | {timing['median_first_20']:.1f} ms |",
        f"| Tick to painted, median of all {r['painted_lines']} | {timing['median_all']:.1f} ms |",
        f"| Tick to painted, 95th percentile / worst | {timing['p95_all']:.1f} / "
        f"{timing['max_all']:.1f} ms |",
        f"| Show script to painted, median | {r['script_to_painted_median_ms']:.1f} ms |",
        f"| PSS, page loaded, before any break | {r['pss_loaded_no_break']:.1f} MiB |",
        f"| PSS after 10 breaks | {r['pss_after_10']:.1f} MiB |",
        f"| PSS after {r['breaks']} breaks | {r['pss_after_last']:.1f} MiB |",
        f"| Growth from 10 to {r['breaks']} breaks | {r['growth_percent']:+.1f} % |",
        f"| Lumio's stderr during the run | {'; '.join(r['stderr']) or 'nothing'} |",
    ]
    return "\n".join(lines) + "\n"


if __name__ == "__main__":
    main()
