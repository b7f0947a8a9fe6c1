"""Lumio around its breaks: memory with and without the break helper, how
quickly breaks reach the screen, and what hundreds of breaks leave behind.

Lumio runs on a private desktop (Xvfb, xcompmgr, private buses, a tray host)
with its timing log on (LUMIO_TIMING_LOG). Every break is answered the way a
person would, with a click on "Xong rồi" (XTest), once its first frame was
painted.

1. On the real clock: the tray alone before any break; "Nghỉ mắt ngay" chosen
   from the tray menu, timed from the click to the painted frame; the PSS of
   the whole process tree during that break; how long after the answer the
   helper has gone and the tree is back to the tray alone.
2. On a sped-up clock (LUMIO_TIME_SCALE): hundreds of breaks in a row, timed
   from the instant each was due to the painted frame; PSS of the tray after break 10 and after
   the last, with reminders paused from the tray menu and the program left to
   settle; and the processes, file descriptors and temporary files left.

Prints a Markdown section; bench/run.sh appends it to bench/RESULTS.md.
"""

import contextlib
import os
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests"))

import idle_bench  # noqa: E402
import proc  # noqa: E402
from drive import MENU_READING_SECONDS, TrayMenu  # noqa: E402
from support import desktop, page  # noqa: E402
from idle_bench import verdict  # noqa: E402
from support.desktop import PANEL, SCREEN, wait_until  # noqa: E402

BREAKS = int(os.environ.get("BENCH_BREAKS", "500"))
FIRST_MARK = 10
TIME_SCALE = float(os.environ.get("BENCH_TIME_SCALE", "130"))
# Minutes between breaks on the sped-up clock (2.9 s of real time at 130×):
# long enough that each break's helper, answered and gone about 0.6 s after
# the break, has ended before the next is started 2 s ahead of its break.
INTERVAL_MIN = int(os.environ.get("BENCH_INTERVAL_MIN", "6"))
CLICKS = int(os.environ.get("BENCH_CLICKS", "5"))
# Kept well under the hour a pause lasts on the sped-up clock (28 s at 130×).
QUIET_SECONDS = float(os.environ.get("BENCH_QUIET_SECONDS", "8"))
# Programs that share the tray's library pages while they run elsewhere on the
# machine, as /proc names them.
SHARING = {"lumio", "lumio-break", "QtWebEngineProc"}
# Nobody touches the keyboard between the clicks, which on the sped-up clock
# would soon count as away.
SETTINGS = {"breakSec": 20, "sound": False, "dim": True, "idleReset": False}


class PaintWatch(threading.Thread):
    """Notes when each painted line reaches the timing log, read every
    millisecond on a thread of its own, so that the moment is right even while
    the benchmark is busy clicking."""

    def __init__(self, timing):
        super().__init__(daemon=True)
        self.timing = timing
        self.arrivals = []  # monotonic seconds, one per painted line
        self.stopped = threading.Event()
        self.start()

    def run(self):
        size = 0
        while not self.stopped.wait(0.001):
            try:
                now_size = self.timing.stat().st_size
            except FileNotFoundError:
                continue
            if now_size == size:
                continue
            seen = time.monotonic()
            size = now_size
            lines = self.timing.read_text().count("painted ")
            self.arrivals += [seen] * (lines - len(self.arrivals))


class Run:
    def __init__(self, root, time_scale, **settings):
        self.root = root
        self.session = desktop.Desktop(root / "desktop")
        self.session.write_settings(**SETTINGS, **settings)
        self.timing = root / "timing.log"
        self.tmp = root / "tmp"
        self.tmp.mkdir()
        self.port = page.free_port()
        self.time_scale = time_scale
        self.session.env.update(LUMIO_TIME_SCALE=f"{time_scale:g}",
                                LUMIO_TIMING_LOG=str(self.timing), TMPDIR=str(self.tmp),
                                QTWEBENGINE_REMOTE_DEBUGGING=f"127.0.0.1:{self.port}")
        self.lumio = self.session.launch()
        self.pid = self.lumio.process.pid
        self.seen = 0  # painted breaks answered so far
        self.watch = PaintWatch(self.timing)
        self.unchained = set()  # breaks whose due instant follows from no earlier break
        self.button = None
        self.helpers = set()  # every helper seen with a break on screen
        self.unanswered = 0

    def done_count(self):
        """Breaks done in all: today's count starts again at midnight, which
        the sped-up clock passes."""
        try:
            return self.session.settings().get("totalDone", 0)
        except (OSError, ValueError):
            return -1  # caught mid-write by another program: look again

    def painted(self):
        if not self.timing.exists():
            return []
        return [dict(field.split("=") for field in line.split()[1:])
                for line in self.timing.read_text().splitlines() if line.startswith("painted ")]

    def wait_painted(self, timeout=30):
        wait_until(lambda: len(self.painted()) > self.seen, timeout=timeout,
                   interval=0.002, what=f"break {self.seen + 1} painted")
        self.seen = len(self.painted())

    def done_button(self):
        """Where "Xong rồi" is on the screen, asked of the page once; the
        debugger leaves again at once."""
        overlay = page.Page(self.port, "/overlay.html", 20)
        try:
            box = overlay.evaluate(
                "document.querySelector('[data-action=done]').getBoundingClientRect().toJSON()")
        finally:
            overlay.close()
        return (SCREEN[0] - PANEL[0] + int(box["x"] + box["width"] / 2),
                SCREEN[1] - PANEL[1] + int(box["y"] + box["height"] / 2))

    def answer(self):
        """Clicks "Xong rồi" on the break painted last, again if a click came
        too early to count, where the page says the button is now (the card's
        text, and with it the button, differs between animals); a break that
        takes no answer is counted and left."""
        if self.button is None:
            self.button = self.done_button()
        before = self.done_count()
        for _ in range(5):
            self.session.pointer(*self.button, click=True)
            try:
                wait_until(lambda: self.done_count() > before, timeout=2,
                           interval=0.005, what="the answer counted")
                return
            except AssertionError:
                with contextlib.suppress(Exception):  # the page may have gone meanwhile
                    self.button = self.done_button()
        self.unanswered += 1
        # A break left is put off, and so are those painted meanwhile: none
        # of them, nor the next, is due a cycle after the one before.
        self.unchained.update(range(self.seen, len(self.painted()) + 1))
        subprocess.run(["import", "-window", "root", self.root / f"unanswered-{self.seen}.png"],
                       env=self.session.env, capture_output=True, timeout=10)

    def answer_next_break(self):
        self.wait_painted()
        self.helpers.update(self.lumio.helpers())
        self.answer()

    def tree_pss(self):
        return proc.tree_pss_mib(self.pid)

    def helper_gone(self):
        return len(proc.process_tree(self.pid)) == 1

    def due_to_painted_ms(self, cycle_seconds):
        """Per break shown by a tick: from the instant it was due to its painted
        frame, in real milliseconds. The program's clock runs time_scale times
        the real one, and a break shown starts the next cycle from that tick:
        the next is due cycle_seconds of program time after the tick that
        showed this one (its painted line's arrival, less its tick_ms). The first break,
        and those after a pause, are due from instants we do not see."""
        marks, found, arrivals = self.painted(), [], self.watch.arrivals
        for index in range(1, min(len(marks), len(arrivals))):
            before, mark = marks[index - 1], marks[index]
            if "-" in (before["tick_ms"], mark["tick_ms"]) or index in self.unchained:
                continue
            shown_before = arrivals[index - 1] - float(before["tick_ms"]) / 1000
            due = shown_before + cycle_seconds / self.time_scale
            found.append((arrivals[index] - due) * 1000)
        return found

    def quiet_memory(self):
        """PSS and private memory of the tree (MiB) once reminders are paused
        and the program has settled.
        Paused from the menu, as a person would: the program keeps writing its
        tally to the settings file, which another writer here would race."""
        menu = TrayMenu(self.session)
        menu.click("pause")
        deadline = time.monotonic() + 30
        while not self.helper_gone() and time.monotonic() < deadline:
            if len(self.painted()) > self.seen:  # came before the click did
                self.answer_next_break()
            time.sleep(0.05)
        time.sleep(QUIET_SECONDS)
        mib = proc.tree_memory_mib(self.pid) | {
            "others": proc.others_named(SHARING, proc.process_tree(self.pid))}
        menu.click("resume")
        self.unchained.add(len(self.painted()))  # the next break counts from the resume
        return mib

    def leftovers(self):
        """Descriptors the tray holds, helpers running for this desktop (in the
        tray's tree or orphaned), and files in its temporary folders."""
        display = self.session.env["DISPLAY"].encode()
        helpers = 0
        for entry in Path("/proc").iterdir():
            if not entry.name.isdigit() or int(entry.name) == self.pid:
                continue
            try:
                environ = (entry / "environ").read_bytes().split(b"\0")
            except OSError:
                continue
            if b"DISPLAY=" + display in environ and b"LUMIO_TIMING_LOG=" + str(
                    self.timing).encode() in environ:
                helpers += 1
        files = sum(1 for _ in self.tmp.rglob("*")) + sum(
            1 for _ in self.session.runtime.rglob("*") if "lumio.lock" not in _.name)
        return {"fds": len(os.listdir(f"/proc/{self.pid}/fd")), "processes": helpers,
                "files": files}

    def stderr(self):
        return [line for line in idle_bench.lumio_output(self.session).splitlines()
                if line.strip() and "DevTools" not in line and "Remote debugging" not in line][:10]

    def close(self):
        self.watch.stopped.set()
        self.lumio.stop()
        self.session.close()


def real_clock(root):
    """Phase 1: the tray alone, "Nghỉ mắt ngay" from the menu, the break's PSS
    and the way back."""
    run = Run(root, 1.0, intervalMin=60)
    result = {}
    try:
        time.sleep(QUIET_SECONDS)
        result["tray_alone"] = run.tree_pss()
        result["tray_processes"] = len(proc.process_tree(run.pid))
        clicks, cold, during, back, back_pss = [], [], [], [], []
        menu = TrayMenu(run.session)
        for index in range(CLICKS + 1):
            warm = index > 0  # the first time without opening the menu first
            if warm:
                menu.open()
                time.sleep(MENU_READING_SECONDS)
            start = time.monotonic()
            menu.click("break-now")
            run.wait_painted()
            (clicks if warm else cold).append((time.monotonic() - start) * 1000)
            if warm:
                menu.close()
            time.sleep(0.5)  # the dimming's fade-in
            during.append(run.tree_pss())
            answered = time.monotonic()
            run.answer()
            wait_until(run.helper_gone, timeout=30, interval=0.02,
                                what="the helper to end")
            back.append(time.monotonic() - answered)
            back_pss.append(run.tree_pss())
        result.update(click_ms=clicks, cold_click_ms=cold[0], during_pss=during,
                      back_seconds=back, back_pss=back_pss, stderr=run.stderr())
    finally:
        run.close()
    return result


def sped_up(root):
    """Phase 2: hundreds of breaks in a row on a sped-up clock."""
    run = Run(root, TIME_SCALE, intervalMin=INTERVAL_MIN, enabled=False)
    result = {}
    try:
        time.sleep(QUIET_SECONDS)
        result["before"] = run.leftovers()
        run.session.write_settings(enabled=True)
        for number in range(1, BREAKS + 1):
            run.answer_next_break()
            if number == FIRST_MARK:
                result["after_10_mib"] = run.quiet_memory()
                result["after_10"] = run.leftovers()
            if not run.lumio.running():
                raise RuntimeError(f"lumio ended after break {number}")
        result["after_last_mib"] = run.quiet_memory()
        result["after_last"] = run.leftovers()
        result["answered"] = run.done_count()
        result["helpers"] = len(run.helpers)
        result["unanswered"] = run.unanswered
        marks = run.painted()
        ticks = [float(m["tick_ms"]) for m in marks if m["tick_ms"] != "-"]
        result["painted_lines"] = len(marks)
        result["by_tick"] = len(ticks)
        result["tick_to_painted_ms"] = {
            "median_first_20": statistics.median(ticks[:20]),
            "median_all": statistics.median(ticks),
            "p95_all": statistics.quantiles(ticks, n=20)[-1],
            "max_all": max(ticks),
        }
        due = run.due_to_painted_ms(INTERVAL_MIN * 60 + SETTINGS["breakSec"])
        result["due_to_painted_ms"] = {
            "count": len(due), "median": statistics.median(due),
            "p95": statistics.quantiles(due, n=20)[-1], "max": max(due),
            "min": min(due)}
        result["script_to_painted_median_ms"] = statistics.median(
            float(m["script_ms"]) for m in marks)
        result["growth_percent"] = {
            key: 100 * (result["after_last_mib"][key] / result["after_10_mib"][key] - 1)
            for key in ("pss", "private")}
        result["stderr"] = run.stderr()
    finally:
        run.close()
    return result


def main():
    root = Path(tempfile.mkdtemp(prefix="lumio-breaks-"))
    first = real_clock(root / "real")
    second = sped_up(root / "fast")
    print(report(first, second))


def report(a, b):
    timing = b["tick_to_painted_ms"]
    due = b["due_to_painted_ms"]
    click = statistics.median(a["click_ms"])
    during = max(a["during_pss"])
    back = max(a["back_seconds"])
    leftover = {key: b["after_last"][key] - b["after_10"][key] for key in b["after_last"]}
    lines = [
        f"# Breaks: memory around a break, time to the screen, and what {BREAKS} breaks leave",
        "",
        "## On the real clock",
        "",
        f"- The tray alone (no break helper) {QUIET_SECONDS:g} s after launch; then "
        f"\"Nghỉ mắt ngay\" chosen {CLICKS} times from the tray menu, opened "
        f"{MENU_READING_SECONDS:g} s before the click (the helper starts as the menu opens), "
        "and once more clicked without opening the menu first (the helper starts with the "
        "break). Times from the click to the page's first frame with the animal (the program's "
        "own timing log). PSS during the break: the whole tree 0.5 s after that frame. Then "
        "\"Xong rồi\" is clicked; the page says \"closed\" 0.42 s later, after its exit "
        "animation.",
        "",
        "| Figure | Value | Target | |",
        "|---|---:|---:|---|",
        f"| PSS, tray alone before any break | {a['tray_alone']:.1f} MiB "
        f"({a['tray_processes']} process) | | |",
        f"| \"Nghỉ mắt ngay\" click to painted, median of {CLICKS} (all: "
        f"{', '.join(f'{v:.0f}' for v in a['click_ms'])} ms) | {click:.0f} ms | ≤ 500 ms "
        f"| {verdict(click <= 500)} |",
        f"| The same without opening the menu first | {a['cold_click_ms']:.0f} ms | | |",
        f"| PSS during a break, largest of {CLICKS + 1} | {during:.1f} MiB | ≤ 125 MiB "
        f"| {verdict(during <= 125)} |",
        f"| Helper gone after the answer, slowest of {CLICKS + 1} | {back:.1f} s | ≤ 10 s "
        f"after \"closed\" | {verdict(back <= 10)} |",
        f"| PSS then, after each break (the first touches code the tray had not run "
        f"yet) | {', '.join(f'{v:.1f}' for v in a['back_pss'])} MiB | back to the same "
        f"figure | {verdict(max(a['back_pss'][1:]) <= a['back_pss'][0] * 1.02)} |",
        f"| Lumio's stderr | {'; '.join(a['stderr']) or 'nothing'} | | |",
        "",
        "## On a sped-up clock",
        "",
        f"- {BREAKS} breaks in a row ({b['answered']} answered in all, counting any that came "
        "while reminders were being paused for a reading), one every "
        f"{INTERVAL_MIN} min + 20 s of program time, clock sped up {TIME_SCALE:g}× "
        "(`LUMIO_TIME_SCALE`), so that each break can have a helper of its own, started ahead of it "
        "on the program's clock.",
        "- Due to painted: from the instant the break was due to the moment the helper's report "
        "of the page's first frame with the animal (a frame callback, then a task after it) "
        "reached the program's timing log (`LUMIO_TIMING_LOG`), watched every millisecond. A break "
        "shown starts the next cycle from the tick that showed it, so the next is due "
        f"{INTERVAL_MIN} min + 20 s of program time ({(INTERVAL_MIN * 60 + 20) / TIME_SCALE:.3f} "
        "s of real time) after that tick (when its painted line was read, less its `tick_ms`); "
        "the first break and those after a pause are due from instants not seen, and left out. "
        "Tick to painted: the program's own figure (`tick_ms`), from the start of the tray's "
        "tick (or timer) that found the break due, which leaves out how late that was.",
        f"- PSS and private memory with reminders paused from the tray menu and {QUIET_SECONDS:g} s to settle, so "
        "every reading is of the same quiet state: the tray alone.",
        "- Left behind: descriptors open in the tray, processes with this desktop's "
        "environment other than the tray (helpers and the web engine's, orphaned or not), "
        "files in the program's TMPDIR and XDG_RUNTIME_DIR (its lock file aside), after "
        "break 10 and after the last.",
        "",
        "| Figure | Value | Target | |",
        "|---|---:|---:|---|",
        f"| Break helpers started for the {BREAKS} breaks | {b['helpers']} | | |",
        f"| Breaks that would not take a click (left to the next) | {b['unanswered']} | | |",
        f"| Due to painted, median of {due['count']} breaks "
        f"| {due['median']:.1f} ms | ≤ 150 ms | {verdict(due['median'] <= 150)} |",
        f"| Due to painted, 95th percentile | {due['p95']:.1f} ms | ≤ 300 ms "
        f"| {verdict(due['p95'] <= 300)} |",
        f"| Due to painted, fastest / slowest | {due['min']:.1f} / {due['max']:.1f} ms | | |",
        f"| Tick to painted, median / 95th percentile of all {b['by_tick']} shown by a tick "
        f"| {timing['median_all']:.1f} / {timing['p95_all']:.1f} ms | | |",
        f"| Tick to painted, median of the first 20 / worst | {timing['median_first_20']:.1f}"
        f" / {timing['max_all']:.1f} ms | | |",
        f"| Show script sent to painted, median | {b['script_to_painted_median_ms']:.1f} ms "
        "| | |",
        f"| PSS after 10 breaks / after {BREAKS} | {b['after_10_mib']['pss']:.1f} / "
        f"{b['after_last_mib']['pss']:.1f} MiB | | |",
        f"| PSS growth from 10 to {BREAKS} breaks | {b['growth_percent']['pss']:+.1f} % "
        f"| ≤ 1 % | {verdict(b['growth_percent']['pss'] <= 1)} |",
        f"| Private memory after 10 breaks / after {BREAKS} "
        f"| {b['after_10_mib']['private']:.1f} / "
        f"{b['after_last_mib']['private']:.1f} MiB | | |",
        f"| Other Lumio and web engine processes on the machine at those two readings "
        f"(they lower both figures) | {b['after_10_mib']['others']} / "
        f"{b['after_last_mib']['others']} | | |",
        f"| Private memory growth from 10 to {BREAKS} breaks "
        f"| {b['growth_percent']['private']:+.1f} % | ≤ 1 % "
        f"| {verdict(b['growth_percent']['private'] <= 1)} |",
        f"| Descriptors in the tray: before / after 10 / after {BREAKS} "
        f"| {b['before']['fds']} / {b['after_10']['fds']} / {b['after_last']['fds']} | "
        f"no growth | {verdict(leftover['fds'] <= 0)} |",
        f"| Other processes left: before / after 10 / after {BREAKS} "
        f"| {b['before']['processes']} / {b['after_10']['processes']} / "
        f"{b['after_last']['processes']} | 0 | {verdict(b['after_last']['processes'] == 0)} |",
        f"| Temporary files: before / after 10 / after {BREAKS} "
        f"| {b['before']['files']} / {b['after_10']['files']} / {b['after_last']['files']} "
        f"| no growth | {verdict(leftover['files'] <= 0)} |",
        f"| Lumio's stderr during the run | {'; '.join(b['stderr']) or 'nothing'} | | |",
    ]
    return "\n".join(lines) + "\n"


if __name__ == "__main__":
    main()
