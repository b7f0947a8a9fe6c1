"""Idle footprint of Lumio next to Workrave and Safe Eyes.

Each program runs alone on a fresh private desktop (Xvfb, xcompmgr, private
session and system buses, a StatusNotifierWatcher tray host, fresh HOME and
XDG_CONFIG_HOME) from the end-to-end tests' support (tests/support). After a settle period
it sits idle for the same window while we read /proc for its whole process
tree: PSS at the end of the window, CPU seconds and context switches over it.
Started by bench/run.sh; prints a Markdown report and writes it to the path
given as the first argument.
"""

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

from support import desktop  # noqa: E402

LUMIO_BIN = desktop.LUMIO_BIN
IDLE_SECONDS = float(os.environ.get("BENCH_IDLE_SECONDS", "120"))
SETTLE_SECONDS = float(os.environ.get("BENCH_SETTLE_SECONDS", "20"))
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")

PROGRAMS = [
    ("Lumio", [LUMIO_BIN]),
    ("Workrave", ["workrave"]),
    ("Safe Eyes", ["safeeyes"]),
]


def children_by_parent():
    parents = {}
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            stat = (entry / "stat").read_text()
        except OSError:
            continue
        # The command name may hold spaces and parentheses; fields follow the last ")".
        ppid = int(stat.rpartition(")")[2].split()[1])
        parents.setdefault(ppid, []).append(int(entry.name))
    return parents


def process_tree(root):
    parents = children_by_parent()
    tree, pending = [], [root]
    while pending:
        pid = pending.pop()
        tree.append(pid)
        pending.extend(parents.get(pid, []))
    return tree


def cpu_ticks(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rpartition(")")[2].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def thread_counters(pid):
    """Per thread: voluntary + nonvoluntary switches so far, and nanoseconds on a
    CPU so far (schedstat, exact where utime+stime count whole clock ticks)."""
    switches, runtime = {}, {}
    for task in Path(f"/proc/{pid}/task").iterdir():
        try:
            text = (task / "status").read_text()
            on_cpu = int((task / "schedstat").read_text().split()[0])
        except OSError:
            continue
        key = (pid, int(task.name))
        switches[key] = sum(
            int(n) for n in re.findall(r"^(?:non)?voluntary_ctxt_switches:\s+(\d+)", text, re.M))
        runtime[key] = on_cpu
    return switches, runtime


def pss_kib(pid):
    text = Path(f"/proc/{pid}/smaps_rollup").read_text()
    return int(re.search(r"^Pss:\s+(\d+) kB", text, re.M).group(1))


def command_name(pid):
    return Path(f"/proc/{pid}/comm").read_text().strip()


def sample(root):
    """CPU ticks per process, switches and CPU nanoseconds per thread over the
    tree rooted at root."""
    cpu, switches, runtime = {}, {}, {}
    for pid in process_tree(root):
        try:
            cpu[pid] = cpu_ticks(pid)
            thread_switches, thread_runtime = thread_counters(pid)
        except OSError:
            continue  # ended while we looked
        switches.update(thread_switches)
        runtime.update(thread_runtime)
    return cpu, switches, runtime


def growth(before, after, pids=None):
    """What the counters grew by, over pids when given; a process or thread born
    in the window counts whole."""
    return sum(value - before.get(key, 0) for key, value in after.items()
               if pids is None or (key[0] if isinstance(key, tuple) else key) in pids)


def pss_by_process(root):
    found = []
    for pid in process_tree(root):
        try:
            found.append((pid, command_name(pid), pss_kib(pid)))
        except (OSError, AttributeError):
            continue
    return found


def pss_by_mapping(pid, top=10):
    """The process's PSS by what is mapped (a library's file, the heap,
    anonymous memory), largest first, in MiB."""
    totals, name = {}, None
    for line in Path(f"/proc/{pid}/smaps").read_text().splitlines():
        fields = line.split()
        if "-" in fields[0] and ":" not in fields[0]:
            name = Path(fields[5]).name if len(fields) > 5 else "[anonymous]"
        elif fields[0] == "Pss:":
            totals[name] = totals.get(name, 0) + int(fields[1])
    return sorted(((n, kib / 1024) for n, kib in totals.items()), key=lambda row: -row[1])[:top]


def lumio_output(session):
    """What Lumio wrote on stdout and stderr in the one run on that desktop, kept in a
    file of the desktop's folder."""
    return (session.root / "lumio-0.log").read_text(errors="replace")


def tree_pss_mib(root):
    """PSS of the whole process tree rooted at root, in MiB."""
    return sum(kib for _, _, kib in pss_by_process(root)) / 1024


def measure(name, command, root):
    result = {"name": name}
    root.mkdir(parents=True)
    log = open(root / "program.log", "wb")
    session = process = None
    try:
        session = desktop.Desktop(root / "desktop")
        spawned = time.monotonic()
        process = subprocess.Popen(command, env=session.env, cwd=session.home,
                                   stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        settle_end = spawned + SETTLE_SECONDS
        while time.monotonic() < settle_end and process.poll() is None:
            if "tray" not in result and session.tray.items:
                result["tray"] = time.monotonic() - spawned
            time.sleep(0.01)
        if process.poll() is not None:
            result["failed"] = f"exited with status {process.returncode} during the settle period"
            return result

        cpu_before, switches_before, runtime_before = sample(process.pid)
        window_start = time.monotonic()
        time.sleep(IDLE_SECONDS)
        cpu_after, switches_after, runtime_after = sample(process.pid)
        window = time.monotonic() - window_start
        if process.poll() is not None:
            result["failed"] = f"exited with status {process.returncode} while idle"
            return result

        if name == "Lumio":
            result["mappings"] = pss_by_mapping(process.pid)
            result["threads_by_name"] = sorted(
                (Path(f"/proc/{process.pid}/task/{t}/comm").read_text().strip()
                 for t in os.listdir(f"/proc/{process.pid}/task")))
        breakdown = []
        for pid, command, kib in pss_by_process(process.pid):
            breakdown.append((command, kib / 1024,
                              growth(cpu_before, cpu_after, {pid}) / CLOCK_TICKS / (window / 60),
                              growth(runtime_before, runtime_after, {pid}) / 1e9 / (window / 60),
                              growth(switches_before, switches_after, {pid}) / window))
        result.update(
            pss=sum(row[1] for row in breakdown),
            breakdown=breakdown,
            cpu=growth(cpu_before, cpu_after) / CLOCK_TICKS / (window / 60),
            runtime=growth(runtime_before, runtime_after) / 1e9 / (window / 60),
            wakeups=growth(switches_before, switches_after) / window,
            processes=len(breakdown),
            threads=len(switches_after),
        )
        return result
    except Exception as error:  # a peer that cannot run here is reported, not fatal
        result["failed"] = f"{type(error).__name__}: {error}"
        return result
    finally:
        if process is not None:
            leftovers = process_tree(process.pid)[1:]
            desktop.stop(process)
            for pid in leftovers:  # helpers that outlive their parent would skew the next run
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
        log.close()
        if session is not None:
            session.close()
        result["log"] = (root / "program.log").read_text(errors="replace")[-400:]


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


def report(results):
    lumio_version = subprocess.run([LUMIO_BIN, "--version"], capture_output=True,
                                   text=True).stdout.strip()
    lines = [
        "# Idle footprint",
        "",
        f"- Date: {datetime.datetime.now().astimezone():%Y-%m-%d %H:%M %Z}",
        f"- Command: `sudo bench/run.sh` (BENCH_IDLE_SECONDS={IDLE_SECONDS:g}, "
        f"BENCH_SETTLE_SECONDS={SETTLE_SECONDS:g}, LUMIO_BIN={LUMIO_BIN})",
        f"- CPU: {cpu_model()} ({os.cpu_count()} cores); load average when the report was "
        f"written: {' '.join(Path('/proc/loadavg').read_text().split()[:3])}",
        f"- Versions: {lumio_version}; workrave {package_version('workrave')}; "
        f"safeeyes {package_version('safeeyes')}; "
        f"Qt WebEngine {package_version('libqt6webenginecore6')}",
        f"- Each program alone on a fresh Xvfb + xcompmgr desktop with a StatusNotifier tray "
        f"host; {SETTLE_SECONDS:g} s settle after launch, then {IDLE_SECONDS:g} s idle.",
        "- PSS: sum of smaps_rollup Pss over the program and all its descendants at the end "
        "of the window. CPU: utime+stime over the tree during the window. Wake-ups: voluntary + "
        "nonvoluntary context switches of every thread in the tree during the window.",
        "- CPU (schedstat): the same from /proc/<pid>/task/*/schedstat, in nanoseconds, as a "
        "check on the tick-grained utime+stime.",
        "",
        "| Program | PSS (MiB) | CPU s / idle min | CPU (schedstat) | Wake-ups / s "
        "| Processes / threads | Tray registered after |",
        "|---|---:|---:|---:|---:|---:|---:|",
    ]
    for r in results:
        tray = f"{r['tray']:.2f} s" if "tray" in r else "—"
        if "failed" in r:
            lines.append(f"| {r['name']} | failed: {r['failed']} | | | | | {tray} |")
        else:
            lines.append(f"| {r['name']} | {r['pss']:.1f} | {r['cpu']:.3f} | {r['runtime']:.3f} "
                         f"| {r['wakeups']:.1f} "
                         f"| {r['processes']} / {r['threads']} | {tray} |")
    lumio = results[0]
    lines += ["", "| Lumio / peer | PSS | CPU | CPU (schedstat) | Wake-ups |",
              "|---|---:|---:|---:|---:|"]
    for peer in results[1:]:
        lines.append(f"| Lumio / {peer['name']} | {ratio(lumio, peer, 'pss')} "
                     f"| {ratio(lumio, peer, 'cpu')} | {ratio(lumio, peer, 'runtime')} "
                     f"| {ratio(lumio, peer, 'wakeups')} |")
    lines += ["", "Per process (the tree's processes, largest PSS first):", "",
              "| Program | Process | PSS (MiB) | CPU s / idle min | CPU (schedstat) | Wake-ups / s |",
              "|---|---|---:|---:|---:|---:|"]
    for r in results:
        for command, mib, cpu, runtime, wakeups in sorted(r.get("breakdown", []),
                                                          key=lambda row: -row[1]):
            lines.append(f"| {r['name']} | {command} | {mib:.1f} | {cpu:.3f} | {runtime:.3f} "
                         f"| {wakeups:.1f} |")
    lumio = results[0]
    if "failed" not in lumio:
        peers = [r for r in results[1:] if "failed" not in r]
        workrave = next((r for r in peers if r["name"] == "Workrave"), None)
        best_cpu = min((r["cpu"] for r in peers), default=None)
        rows = [
            ("PSS, at most half of Workrave's", f"{lumio['pss']:.1f} MiB",
             f"≤ {workrave['pss'] / 2:.1f} MiB" if workrave else "—",
             workrave is not None and lumio["pss"] <= workrave["pss"] / 2),
            ("CPU, at most 0.02 s per idle minute", f"{lumio['cpu']:.3f} s", "≤ 0.020 s",
             lumio["cpu"] <= 0.02),
            ("CPU, at most a quarter of the best peer's", f"{lumio['cpu']:.3f} s",
             f"≤ {best_cpu / 4:.3f} s" if best_cpu else "—",
             best_cpu is not None and lumio["cpu"] <= best_cpu / 4),
            ("Wake-ups, at most 1.2 per second", f"{lumio['wakeups']:.2f}", "≤ 1.2",
             lumio["wakeups"] <= 1.2),
            ("Launch to tray, at most 0.3 s", f"{lumio.get('tray', float('nan')):.2f} s",
             "≤ 0.3 s", lumio.get("tray", 99) <= 0.3),
        ]
        lines += ["", "Lumio between breaks against its targets:", "",
                  "| Target | Lumio | Limit | |", "|---|---:|---:|---|"]
        lines += [f"| {what} | {value} | {limit} | {'met' if met else '**not met**'} |"
                  for what, value, limit, met in rows]
        lines += ["", "Lumio's PSS by mapping (largest first):", "", "| Mapping | PSS (MiB) |",
                  "|---|---:|"]
        lines += [f"| {mapping} | {mib:.1f} |" for mapping, mib in lumio["mappings"]]
        names = lumio["threads_by_name"]
        lines += ["", "Lumio's threads: " + ", ".join(
            f"{n} ×{names.count(n)}" if names.count(n) > 1 else n for n in sorted(set(names)))]
    for r in results:
        if "failed" in r and r.get("log"):
            lines += ["", f"{r['name']} output (end):", "", "```", r["log"].rstrip(), "```"]
    return "\n".join(lines) + "\n"


def main():
    output = Path(sys.argv[1])
    scratch = Path(tempfile.mkdtemp(prefix="lumio-idle-"))
    try:
        results = []
        for index, (name, command) in enumerate(PROGRAMS):
            print(f"measuring {name} ({SETTLE_SECONDS:g} s settle + {IDLE_SECONDS:g} s idle)…",
                  file=sys.stderr, flush=True)
            results.append(measure(name, command, scratch / str(index)))
        text = report(results)
        output.write_text(text)
        print(text)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
