"""Lumio between breaks next to Workrave and Safe Eyes.

Each program runs alone on a fresh private desktop (Xvfb, xcompmgr, private
session and system buses, a StatusNotifierWatcher tray host, fresh HOME and
XDG_CONFIG_HOME) from the end-to-end tests' support (tests/support). After a
settle period a person opens its menu once and takes one break (drive.py), it
settles again, then sits idle for the same window while we read /proc for its
whole process tree: memory at the end of the window (PSS and private pages),
CPU seconds and context switches over it. Started by bench/run.sh; prints a
Markdown report and writes it to the path given as the first argument.
"""

import contextlib
import datetime
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests"))

import proc  # noqa: E402
from drive import PROGRAMS  # noqa: E402
from support import desktop  # noqa: E402

LUMIO_BIN = desktop.LUMIO_BIN
IDLE_SECONDS = float(os.environ.get("BENCH_IDLE_SECONDS", "120"))
SETTLE_SECONDS = float(os.environ.get("BENCH_SETTLE_SECONDS", "20"))
# Rows of the per-mapping table, by private memory and by PSS each.
MAPPINGS = 10


def lumio_output(session):
    """What Lumio wrote on stdout and stderr in the one run on that desktop, kept in a
    file of the desktop's folder."""
    return (session.root / "lumio-0.log").read_text(errors="replace")


@contextlib.contextmanager
def prepared(name, command, prepare, root):
    """Runs the program on a fresh desktop in root, lets it settle, has a person
    open its menu and take one break (prepare), lets it settle again, and yields
    (session, process, result) with result holding what was seen so far. The
    program and anything it left running are ended afterwards."""
    result = {"name": name}
    root.mkdir(parents=True)
    log_path = root / "program.log"
    session = process = None
    try:
        try:
            session = desktop.Desktop(root / "desktop")
            with open(log_path, "wb") as log:
                spawned = time.monotonic()
                process = subprocess.Popen(command, env=session.env, cwd=session.home,
                                           stdin=subprocess.DEVNULL, stdout=log, stderr=log)
            settle_end = spawned + SETTLE_SECONDS
            while time.monotonic() < settle_end and process.poll() is None:
                if "tray" not in result and session.tray.items:
                    result["tray"] = time.monotonic() - spawned
                time.sleep(0.01)
            if process.poll() is None:
                result["break"] = prepare(session, process.pid)
                time.sleep(SETTLE_SECONDS)
            if process.poll() is not None:
                result["failed"] = f"exited with status {process.returncode} before the window"
        except Exception as error:  # a peer that cannot run here is reported, not fatal
            result["failed"] = f"{type(error).__name__}: {error}"
        yield session, process, result
    finally:
        if process is not None:
            leftovers = proc.process_tree(process.pid)[1:]
            desktop.stop(process)
            for pid in leftovers:  # helpers that outlive their parent would skew the next run
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
        if session is not None:
            session.close()
        result["log"] = log_path.read_text(errors="replace")[-400:] if log_path.exists() else ""


def per_minute(amount, window):
    return amount / (window / 60)


def measure(name, command, prepare, root):
    """One program's idle window: CPU, wake-ups and memory of its tree, per
    process, and for Lumio per thread and per mapping."""
    with prepared(name, command, prepare, root) as (_session, process, result):
        if "failed" not in result:
            try:
                idle_window(name, process, result)
            except Exception as error:  # reported with the rest, not fatal
                result["failed"] = f"{type(error).__name__}: {error}"
        return result


def idle_window(name, process, result):
    """Reads the tree's counters across the window into result."""
    cpu_before, threads_before = proc.sample(process.pid)
    window_start = time.monotonic()
    time.sleep(IDLE_SECONDS)
    cpu_after, threads_after = proc.sample(process.pid)
    window = time.monotonic() - window_start
    if process.poll() is not None:
        result["failed"] = f"exited with status {process.returncode} while idle"
        return
    threads = proc.thread_growth(threads_before, threads_after)
    if name == "Lumio":
        result["mappings"] = proc.top_mappings(process.pid, MAPPINGS)
        result["threads"] = sorted(
            ((tid, t["name"], t["voluntary"], t["involuntary"], t["runtime"])
             for (_, tid), t in threads.items()), key=lambda row: row[0])
    breakdown = []
    for pid, command_name, kib in proc.memory_by_process(process.pid):
        mine = [t for (owner, _), t in threads.items() if owner == pid]
        breakdown.append({
            "command": command_name, "pss": kib["pss"] / 1024,
            "private": kib["private"] / 1024,
            "cpu": per_minute((cpu_after.get(pid, 0) - cpu_before.get(pid, 0))
                              / proc.CLOCK_TICKS, window),
            "runtime": per_minute(sum(t["runtime"] for t in mine) / 1e9, window),
            "wakeups": sum(t["voluntary"] + t["involuntary"] for t in mine) / window})
    result.update(
        breakdown=breakdown, processes=len(breakdown), thread_count=len(threads),
        **{key: sum(row[key] for row in breakdown)
           for key in ("pss", "private", "cpu", "runtime", "wakeups")})


def package_version(package):
    found = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package],
                           capture_output=True, text=True)
    return found.stdout.strip() or "not installed"


def cpu_model():
    match = re.search(r"^model name\s*:\s*(.+)$", Path("/proc/cpuinfo").read_text(), re.M)
    return match.group(1).strip() if match else "unknown"


def ratio(lumio, peer, key):
    if "failed" in lumio or "failed" in peer or not peer[key]:
        return "—"
    return f"{lumio[key] / peer[key]:.2f}×"


def verdict(met):
    return "met" if met else "**not met**"


def machine_lines(settings):
    """The report's opening list: date, the command with the settings it ran
    with, machine and versions."""
    lumio_version = subprocess.run([LUMIO_BIN, "--version"], capture_output=True,
                                   text=True).stdout.strip()
    return [
        f"- Date: {datetime.datetime.now().astimezone():%Y-%m-%d %H:%M %Z}",
        f"- Command: `sudo bench/run.sh` ({settings}, LUMIO_BIN={LUMIO_BIN})",
        f"- CPU: {cpu_model()} ({os.cpu_count()} cores); load average when the report was "
        f"written: {' '.join(Path('/proc/loadavg').read_text().split()[:3])}",
        f"- Versions: {lumio_version}; workrave {package_version('workrave')}; "
        f"safeeyes {package_version('safeeyes')}; "
        f"Qt WebEngine {package_version('libqt6webenginecore6')}; "
        f"kernel {os.uname().release}",
    ]


def target_rows(lumio, peers):
    """Lumio between breaks against its targets: (what, value, limit, met)."""
    workrave = next((r for r in peers if r["name"] == "Workrave"), None)
    best_cpu = min((r["cpu"] for r in peers), default=None)
    return [
        ("Wake-ups, at most 0.1 per second", f"{lumio['wakeups']:.3f}", "≤ 0.1",
         lumio["wakeups"] <= 0.1),
        ("CPU, at most 0.005 s per idle minute", f"{lumio['cpu']:.4f} s "
         f"(schedstat {lumio['runtime']:.4f} s)", "≤ 0.005 s", lumio["cpu"] <= 0.005),
        ("CPU, at most a quarter of the best peer's", f"{lumio['cpu']:.4f} s",
         f"≤ {best_cpu / 4:.4f} s" if best_cpu else "—",
         best_cpu is not None and lumio["cpu"] <= best_cpu / 4),
        ("PSS, at most a third of Workrave's", f"{lumio['pss']:.1f} MiB",
         f"≤ {workrave['pss'] / 3:.1f} MiB" if workrave else "—",
         workrave is not None and lumio["pss"] <= workrave["pss"] / 3),
        ("Launch to tray, at most 0.3 s", f"{lumio.get('tray', float('nan')):.2f} s",
         "≤ 0.3 s", lumio.get("tray", 99) <= 0.3),
    ]


def report(results):
    lines = [
        "# Between breaks",
        "",
        *machine_lines(f"BENCH_IDLE_SECONDS={IDLE_SECONDS:g}, "
                       f"BENCH_SETTLE_SECONDS={SETTLE_SECONDS:g}"),
        f"- Each program alone on a fresh Xvfb + xcompmgr desktop with a StatusNotifier tray "
        f"host: {SETTLE_SECONDS:g} s settle after launch; its menu opened once and one break "
        f"taken (below); {SETTLE_SECONDS:g} s settle; then {IDLE_SECONDS:g} s idle.",
        *(f"- {name}: {how}." for name, _, _, how in PROGRAMS),
        "- PSS and private (Private_Clean + Private_Dirty of smaps_rollup): summed over the "
        "program and all its descendants at the end of the window. CPU: utime+stime over the "
        "tree during the window. Wake-ups: voluntary + involuntary context switches of every "
        "thread in the tree during the window.",
        "- CPU (schedstat): the same from /proc/<pid>/task/*/schedstat, in nanoseconds, as a "
        "check on the tick-grained utime+stime.",
        "- A library's page counts as private only while no other process on the machine maps "
        "it, and its PSS is divided among those that do: other programs using the same "
        "libraries (Qt, GTK) at the same time lower both figures.",
        "",
        "| Program | PSS (MiB) | Private (MiB) | CPU s / idle min | CPU (schedstat) "
        "| Wake-ups / s | Processes / threads | Tray registered after | Break on screen |",
        "|---|---:|---:|---:|---:|---:|---:|---:|---:|",
    ]
    for r in results:
        tray = f"{r['tray']:.2f} s" if "tray" in r else "—"
        shown = r.get("break", "—")
        if "failed" in r:
            lines.append(f"| {r['name']} | failed: {r['failed']} | | | | | | {tray} | {shown} |")
        else:
            lines.append(f"| {r['name']} | {r['pss']:.1f} | {r['private']:.1f} "
                         f"| {r['cpu']:.4f} | {r['runtime']:.4f} | {r['wakeups']:.2f} "
                         f"| {r['processes']} / {r['thread_count']} | {tray} | {shown} |")
    lumio = results[0]
    lines += ["", "| Lumio / peer | PSS | Private | CPU | CPU (schedstat) | Wake-ups |",
              "|---|---:|---:|---:|---:|---:|"]
    for peer in results[1:]:
        lines.append(f"| Lumio / {peer['name']} | {ratio(lumio, peer, 'pss')} "
                     f"| {ratio(lumio, peer, 'private')} | {ratio(lumio, peer, 'cpu')} "
                     f"| {ratio(lumio, peer, 'runtime')} | {ratio(lumio, peer, 'wakeups')} |")
    lines += ["", "Per process (the tree's processes, largest PSS first):", "",
              "| Program | Process | PSS (MiB) | Private (MiB) | CPU s / idle min "
              "| CPU (schedstat) | Wake-ups / s |",
              "|---|---|---:|---:|---:|---:|---:|"]
    for r in results:
        for row in sorted(r.get("breakdown", []), key=lambda row: -row["pss"]):
            lines.append(f"| {r['name']} | {row['command']} | {row['pss']:.1f} "
                         f"| {row['private']:.1f} | {row['cpu']:.4f} | {row['runtime']:.4f} "
                         f"| {row['wakeups']:.2f} |")
    if "failed" not in lumio:
        peers = [r for r in results[1:] if "failed" not in r]
        lines += ["", "Lumio between breaks against its targets:", "",
                  "| Target | Lumio | Limit | |", "|---|---:|---:|---|"]
        lines += [f"| {what} | {value} | {limit} | {verdict(met)} |"
                  for what, value, limit, met in target_rows(lumio, peers)]
        lines += ["", f"Lumio's threads over the {IDLE_SECONDS:g} s window:", "",
                  "| Thread | tid | Voluntary switches | Involuntary switches | CPU (ms) |",
                  "|---|---:|---:|---:|---:|"]
        lines += [f"| {name} | {tid} | {voluntary} | {involuntary} | {runtime / 1e6:.2f} |"
                  for tid, name, voluntary, involuntary, runtime in lumio["threads"]]
        lines += ["", f"Lumio's memory by mapping (the top {MAPPINGS} by private memory and "
                  "by PSS, largest private first):", "",
                  "| Mapping | PSS (MiB) | Private (MiB) |", "|---|---:|---:|"]
        lines += [f"| {name} | {pss:.2f} | {private:.2f} |"
                  for name, pss, private in lumio["mappings"]]
    for r in results:
        if "failed" in r and r.get("log"):
            lines += ["", f"{r['name']} output (end):", "", "```", r["log"].rstrip(), "```"]
    return "\n".join(lines) + "\n"


def main():
    output = Path(sys.argv[1])
    scratch = Path(tempfile.mkdtemp(prefix="lumio-idle-"))
    try:
        results = []
        for index, (name, command, prepare, _) in enumerate(PROGRAMS):
            print(f"measuring {name} (settle, menu, a break, settle, {IDLE_SECONDS:g} s idle)…",
                  file=sys.stderr, flush=True)
            results.append(measure(name, command, prepare, scratch / str(index)))
        text = report(results)
        output.write_text(text)
        print(text)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
