"""The web engine during a break: total memory of Lumio's process tree (the
tray, the break helper and the web engine's processes) with a break on screen.

1. Lumio's break next to the engine's floor: the same programs copied into a
   folder of their own with their resources (found beside the executable),
   once as they are and once with the break page replaced by a blank one;
   each setup started a few times in turn, the medians compared.
2. What each web engine setting saves, each configuration in turn. Lumio
   takes the first two rows' difference itself; the others are measured for
   reference and not taken, for the reasons given in the table.

Every run is on a fresh private desktop (the idle benchmark's), started with
--break-now, waited for until Lumio's page reports its first frame painted
(the blank page, which reports nothing: until its renderer runs), left to
settle, then
measured a few times a second apart; the median is reported. Prints a
Markdown section; bench/run.sh appends it to bench/RESULTS.md.
"""

import os
import shutil
import statistics
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests"))

import idle_bench  # noqa: E402
import proc  # noqa: E402
from support import desktop  # noqa: E402
from support.desktop import wait_until  # noqa: E402

SETTLE_SECONDS = float(os.environ.get("BENCH_LEAN_SETTLE_SECONDS", "10"))
SAMPLES = 3
# Starts of each setup in the comparison with the floor.
FLOOR_RUNS = int(os.environ.get("BENCH_FLOOR_RUNS", "3"))
# Lumio's break may take this much more memory than the engine's floor.
FLOOR_LIMIT = 1.10
BREAK_PAGE = "overlay.html"
# The web engine's processes as /proc names them (comm is cut at 15 characters).
ENGINE_PROCESSES = {"lumio-break", "QtWebEngineProc"}
BLANK_PAGE = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head><body></body></html>\n"

VARIANTS = [
    ("OpenGL drawing (Qt's default)", {"QT_XCB_GL_INTEGRATION": "xcb_glx"}, "not taken",
     "loads the OpenGL driver (Mesa) into the program for one small card"),
    ("Software drawing (as shipped)", {}, "taken", "no OpenGL driver, no GPU thread work; "
     "the card looks the same"),
    ("+ no zygote processes", {"QTWEBENGINE_CHROMIUM_FLAGS": "--no-zygote --no-sandbox"},
     "not taken", "only works with the renderer's sandbox off"),
    ("+ renderer inside the helper", {"QTWEBENGINE_CHROMIUM_FLAGS": "--single-process"},
     "not taken", "unsupported by Qt, and saves only during the break"),
    ("+ V8 lite mode", {"QTWEBENGINE_CHROMIUM_FLAGS": "--js-flags=--lite-mode"}, "not taken",
     "saves next to nothing for one small script, and the engine complains on stderr"),
]


def renderer_running(pid):
    """Whether the tree rooted at pid has the web engine's renderer process."""
    for member in proc.process_tree(pid):
        try:
            if b"--type=renderer" in Path(f"/proc/{member}/cmdline").read_bytes():
                return True
        except OSError:
            continue
    return False


def measure(root, extra_env, program=desktop.LUMIO_BIN, reports_paint=True):
    """The tree's PSS and private memory (MiB, medians of SAMPLES) with a break
    from --break-now on screen, and its number of processes."""
    session = desktop.Desktop(root)
    run = None
    timing = root / "timing.log"
    try:
        # A break long enough to be measured in.
        session.write_settings(breakSec=120)
        session.env.update(extra_env, LUMIO_TIMING_LOG=str(timing))
        run = session.launch("--break-now", program=str(program))
        try:
            if reports_paint:
                wait_until(lambda: timing.exists() and "painted" in timing.read_text()
                           or not run.running(), 60, "the break painted")
            else:
                wait_until(lambda: renderer_running(run.process.pid) or not run.running(), 60,
                           "the break page's renderer")
        except AssertionError as error:
            return {"failed": str(error)}
        time.sleep(SETTLE_SECONDS)
        if not run.running():
            return {"failed": idle_bench.lumio_output(session)[-300:]}
        samples, others = [], 0
        for _ in range(SAMPLES):
            samples.append(proc.tree_memory_mib(run.process.pid))
            others = max(others, proc.others_named(ENGINE_PROCESSES,
                                                   proc.process_tree(run.process.pid)))
            time.sleep(1)
        return {key: statistics.median(sample[key] for sample in samples)
                for key in ("pss", "private")} | {
                    "processes": len(proc.process_tree(run.process.pid)), "others": others}
    finally:
        if run is not None:
            run.stop()
        session.close()


def install(folder, page=None):
    """Copies lumio, lumio-break and their resources into folder, with the
    break page's text replaced by page when given; returns the copied lumio."""
    built = Path(desktop.LUMIO_BIN).parent
    folder.mkdir(parents=True)
    for name in ("lumio", "lumio-break"):
        shutil.copy2(built / name, folder / name)
    shutil.copytree(built / "resources", folder / "resources")
    if page is not None:
        (folder / "resources" / BREAK_PAGE).write_text(page)
    return folder / "lumio"


def against_floor(scratch):
    """Lumio's break and the blank page's, started in turn FLOOR_RUNS times
    each: {setup: [measure() results]}."""
    setups = {"Lumio's break page": (install(scratch / "lumio"), True),
              "Blank page (the engine's floor)": (install(scratch / "floor", BLANK_PAGE), False)}
    runs = {name: [] for name in setups}
    for index in range(FLOOR_RUNS):
        for name, (program, reports_paint) in setups.items():
            print(f"measuring: {name}, run {index + 1}", file=sys.stderr, flush=True)
            runs[name].append(measure(scratch / f"{len(runs[name])}-{name[:5]}", {}, program,
                                      reports_paint))
    return runs


def main():
    scratch = Path(tempfile.mkdtemp(prefix="lumio-lean-"))
    floor = against_floor(scratch / "floor")
    results = []
    for index, (name, env, decision, why) in enumerate(VARIANTS):
        print(f"measuring: {name}", file=sys.stderr, flush=True)
        result = measure(scratch / str(index), env)
        result.update(name=name, env=env, decision=decision, why=why)
        results.append(result)
    print(floor_report(floor))
    print(report(results))
    shutil.rmtree(scratch, ignore_errors=True)


def each(results, key):
    return ", ".join(f"{r[key]:.1f}" for r in results)


def floor_report(runs):
    """The comparison with the engine's floor, against its target."""
    lines = [
        "# Lumio's break next to the web engine's floor",
        "",
        f"Total PSS and private memory (Private_Clean + Private_Dirty) of the tree: lumio, "
        "lumio-break and the web engine's QtWebEngineProcess children, during a break from "
        f"`--break-now`, {SETTLE_SECONDS:g} s after the page was painted (the floor's blank "
        "page reports nothing: after its renderer started), median of "
        f"{SAMPLES} readings a second apart. Both setups are `{desktop.LUMIO_BIN}` and its "
        "helper copied with their `resources/` into a folder of their own; in the floor's, "
        f"`resources/{BREAK_PAGE}` is a blank page. Each started {FLOOR_RUNS} times, in turn, "
        "on a fresh desktop; the medians of those runs are compared. Web engine processes of "
        "other programs on the machine share the engine's library pages with ours while they "
        "run and lower both figures: the last column counts them (most seen in a reading).",
        "",
        "| Setup | PSS (MiB) | Private (MiB) | Processes | PSS of each run | Private of each run "
        "| Others' engine processes |",
        "|---|---:|---:|---:|---|---|---|",
    ]
    medians = {}
    for name, results in runs.items():
        good = [r for r in results if "failed" not in r]
        if not good:
            lines.append(f"| {name} | failed: {results[0]['failed'][-120:]!r} | | | | | |")
            continue
        medians[name] = {key: statistics.median(r[key] for r in good)
                         for key in ("pss", "private", "processes")}
        m = medians[name]
        lines.append(f"| {name} | {m['pss']:.1f} | {m['private']:.1f} | {m['processes']:g} "
                     f"| {each(good, 'pss')} | {each(good, 'private')} "
                     f"| {', '.join(str(r['others']) for r in good)} |")
    if len(medians) == 2:
        lumio, floor = medians.values()
        disturbed = any(r.get("others") for results in runs.values() for r in results)
        note = " (disturbed: other engine processes ran)" if disturbed else ""
        lines += ["", "| Target | Lumio / floor | Limit | |", "|---|---:|---:|---|"]
        for key, what in (("pss", "PSS"), ("private", "Private memory")):
            share = lumio[key] / floor[key]
            lines.append(f"| {what} during a break, at most {FLOOR_LIMIT - 1:.0%} above the "
                         f"floor | {share:.3f}× ({lumio[key] - floor[key]:+.1f} MiB) "
                         f"| ≤ {FLOOR_LIMIT:.2f}× | {idle_bench.verdict(share <= FLOOR_LIMIT)}"
                         f"{note} |")
    return "\n".join(lines) + "\n"


def report(results):
    shipped = next(r for r in results if r["decision"] == "taken")
    lines = [
        "# What each web engine setting saves",
        "",
        f"Total PSS of Lumio's process tree during a break (started with --break-now), "
        f"{SETTLE_SECONDS:g} s after its page reported its first frame painted, median of "
        f"{SAMPLES} readings a second apart; each "
        "row on a fresh desktop. Rows marked \"+\" add one setting to what Lumio ships; the "
        "environment reaches the helper, which is where the web engine runs.",
        "",
        "| Configuration | Environment | PSS (MiB) | Processes | Against shipped | Taken? | Why |",
        "|---|---|---:|---:|---:|---|---|",
    ]
    for r in results:
        env = " ".join(f"`{k}={v}`" for k, v in r["env"].items()) or "—"
        if "failed" in r:
            lines.append(f"| {r['name']} | {env} | failed | | | {r['decision']} | {r['why']} |")
            continue
        delta = r["pss"] - shipped["pss"] if "pss" in shipped else float("nan")
        lines.append(f"| {r['name']} | {env} | {r['pss']:.1f} | {r['processes']} "
                     f"| {delta:+.1f} | {r['decision']} | {r['why']} |")
    return "\n".join(lines) + "\n"


if __name__ == "__main__":
    main()
