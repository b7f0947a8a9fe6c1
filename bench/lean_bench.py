"""What each web engine setting saves: total PSS of Lumio's process tree
during a break (the tray, the break helper and the web engine's processes),
under each configuration in turn.

Every configuration runs on a fresh private desktop (the idle benchmark's),
is left to settle, then measured a few times; the median is reported. Lumio
takes the first two rows' difference itself; the others are measured for
reference and not taken, for the reasons given in the table. Prints a JSON
Markdown section; bench/run.sh appends it to bench/RESULTS.md.
"""

import os
import statistics
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests"))

import idle_bench  # noqa: E402
from support import desktop  # noqa: E402

SETTLE_SECONDS = float(os.environ.get("BENCH_LEAN_SETTLE_SECONDS", "10"))
SAMPLES = 3

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


def measure(root, extra_env):
    session = desktop.Desktop(root)
    run = None
    try:
        # A break long enough to be measured in.
        session.write_settings(breakSec=120)
        session.env.update(extra_env)
        run = session.launch("--break-now")
        time.sleep(SETTLE_SECONDS)
        if not run.running():
            return {"failed": idle_bench.lumio_output(session)[-300:]}
        samples = []
        for _ in range(SAMPLES):
            samples.append(idle_bench.tree_pss_mib(run.process.pid))
            time.sleep(1)
        return {"pss": statistics.median(samples),
                "processes": len(idle_bench.process_tree(run.process.pid))}
    finally:
        if run is not None:
            run.stop()
        session.close()


def main():
    scratch = Path(tempfile.mkdtemp(prefix="lumio-lean-"))
    results = []
    for index, (name, env, decision, why) in enumerate(VARIANTS):
        print(f"measuring: {name}", file=sys.stderr, flush=True)
        result = measure(scratch / str(index), env)
        result.update(name=name, env=env, decision=decision, why=why)
        results.append(result)
    print(report(results))


def report(results):
    shipped = next(r for r in results if r["decision"] == "taken")
    lines = [
        "# What each web engine setting saves",
        "",
        f"Total PSS of Lumio's process tree during a break (started with --break-now), "
        f"{SETTLE_SECONDS:g} s after launch, median of {SAMPLES} readings a second apart; each "
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
