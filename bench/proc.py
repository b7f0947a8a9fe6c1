"""What /proc says about a process tree: its processes, their threads' context
switches and time on a CPU, and their memory (PSS and private pages, in total
and by mapping). Shared by the benchmarks; readings of a process that ends
while we look are skipped."""

import os
import re
from pathlib import Path

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


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
    """The pids of root and all its descendants, root first."""
    parents = children_by_parent()
    tree, pending = [], [root]
    while pending:
        pid = pending.pop()
        tree.append(pid)
        pending.extend(parents.get(pid, []))
    return tree


def others_named(names, besides):
    """How many processes on the machine, outside the pids besides, run under
    one of these command names: programs that share our libraries' pages and
    so lower our PSS and private memory while they run."""
    count = 0
    for entry in Path("/proc").iterdir():
        if entry.name.isdigit() and int(entry.name) not in besides:
            try:
                count += command_name(int(entry.name)) in names
            except OSError:
                continue
    return count


def command_name(pid, tid=None):
    task = f"/proc/{pid}/task/{tid}" if tid else f"/proc/{pid}"
    return Path(task, "comm").read_text().strip()


def cpu_ticks(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rpartition(")")[2].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def thread_counters(pid):
    """Per thread ((pid, tid) → dict): its name, voluntary and involuntary
    switches so far, and nanoseconds on a CPU so far (schedstat, exact where
    utime+stime count whole clock ticks)."""
    found = {}
    for task in Path(f"/proc/{pid}/task").iterdir():
        try:
            status = (task / "status").read_text()
            on_cpu = int((task / "schedstat").read_text().split()[0])
            name = (task / "comm").read_text().strip()
        except OSError:
            continue
        switches = dict(re.findall(r"^((?:non)?voluntary)_ctxt_switches:\s+(\d+)", status, re.M))
        found[(pid, int(task.name))] = {
            "name": name, "voluntary": int(switches["voluntary"]),
            "involuntary": int(switches["nonvoluntary"]), "runtime": on_cpu}
    return found


def sample(root):
    """Counters of the tree rooted at root: CPU ticks per process ({pid: ticks})
    and thread_counters() of every thread."""
    cpu, threads = {}, {}
    for pid in process_tree(root):
        try:
            cpu[pid] = cpu_ticks(pid)
            threads.update(thread_counters(pid))
        except OSError:
            continue  # ended while we looked
    return cpu, threads


def thread_growth(before, after):
    """Per thread alive at the end: what its counters grew by between two
    sample()s' thread readings; a thread born in between counts whole."""
    zero = {"voluntary": 0, "involuntary": 0, "runtime": 0}
    return {key: {"name": now["name"],
                  **{field: now[field] - before.get(key, zero)[field] for field in zero}}
            for key, now in after.items()}


def memory_kib(pid):
    """PSS and private pages (Private_Clean + Private_Dirty) of a process, in KiB."""
    text = Path(f"/proc/{pid}/smaps_rollup").read_text()
    field = dict((name, int(kib)) for name, kib in re.findall(r"^(\w+):\s+(\d+) kB", text, re.M))
    return {"pss": field["Pss"], "private": field["Private_Clean"] + field["Private_Dirty"]}


def memory_by_process(root):
    """[(pid, command name, memory_kib())] over the tree rooted at root."""
    found = []
    for pid in process_tree(root):
        try:
            found.append((pid, command_name(pid), memory_kib(pid)))
        except (OSError, KeyError):
            continue
    return found


def tree_memory_mib(root):
    """PSS and private memory of the whole tree rooted at root, in MiB."""
    rows = [kib for _, _, kib in memory_by_process(root)]
    return {key: sum(row[key] for row in rows) / 1024 for key in ("pss", "private")}


def tree_pss_mib(root):
    return tree_memory_mib(root)["pss"]


def _mapping_name(fields):
    """A mapping's name for the tables: the file's name (fonts marked as
    such), the kernel's [heap], [stack]..., or anonymous."""
    if len(fields) <= 5:
        return "[anonymous]"
    path = " ".join(fields[5:])
    if "/fonts/" in path:
        return f"font {Path(path).name}"
    return Path(path).name if path.startswith("/") else path


def memory_by_mapping(pid):
    """The process's memory by what is mapped, in MiB: {name: {"pss", "private"}}."""
    totals, name = {}, None
    for line in Path(f"/proc/{pid}/smaps").read_text().splitlines():
        fields = line.split()
        if "-" in fields[0] and ":" not in fields[0]:
            name = _mapping_name(fields)
            totals.setdefault(name, {"pss": 0, "private": 0})
        elif fields[0] == "Pss:":
            totals[name]["pss"] += int(fields[1]) / 1024
        elif fields[0] in ("Private_Clean:", "Private_Dirty:"):
            totals[name]["private"] += int(fields[1]) / 1024
    return totals


def top_mappings(pid, top=10):
    """The mappings among the top ones by private memory or by PSS, largest
    private first: [(name, pss MiB, private MiB)]."""
    totals = memory_by_mapping(pid)
    chosen = set(sorted(totals, key=lambda n: -totals[n]["private"])[:top])
    chosen |= set(sorted(totals, key=lambda n: -totals[n]["pss"])[:top])
    return sorted(((n, totals[n]["pss"], totals[n]["private"]) for n in chosen),
                  key=lambda row: (-row[2], -row[1]))
