"""What still wakes Lumio between breaks.

Lumio runs as in the idle benchmark (fresh desktop, settle, menu opened once,
one break, settle). Then two windows one after the other, as strace disturbs
what it watches: first untouched, the context switches of each thread (named
by /proc/<pid>/task/<tid>/comm); then under strace, which says for each
thread which waiting system call returned and why: the descriptors it
reported ready (resolved to socket, eventfd, timerfd, inotify... by strace's
-yy and /proc/<pid>/fd), a timeout, or another thread's futex wake-up.
Prints a Markdown section; bench/run.sh appends it to bench/RESULTS.md.
"""

import collections
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests"))

import idle_bench  # noqa: E402
import proc  # noqa: E402
from drive import LUMIO_BIN, PROGRAMS  # noqa: E402

TRACE_SECONDS = float(os.environ.get("BENCH_TRACE_SECONDS", "60"))
WAITING = ("poll", "ppoll", "epoll_wait", "epoll_pwait", "recvmsg", "read", "timerfd_settime",
           "clock_nanosleep", "futex")
# One line of `strace -f -tt -T -yy -o`, whole or resumed: "tid time name(args) = result <secs>"
CALL = re.compile(r"^(\d+)\s+\S+\s+(?:<\.\.\.\s+(\w+) resumed>|(\w+)\()(.*)$")
PEER = re.compile(r"UNIX-STREAM:\[\d+->(\d+)")
READY = re.compile(r"\{fd=(\d+)(<[^>]*>+)?, revents=")


def socket_owners():
    """{socket inode: name of a process holding it} over the machine."""
    owners = {}
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            name = proc.command_name(int(entry.name))
            for fd in (entry / "fd").iterdir():
                target = os.readlink(fd)
                if target.startswith("socket:["):
                    owners.setdefault(int(target[8:-1]), name)
        except OSError:
            continue
    return owners


def describe_fd(pid, fd, named, owners):
    """What a descriptor is: as strace named it, else as /proc says now; a
    local socket also by the process at its other end."""
    if fd in named:
        text = named[fd]
    else:
        try:
            text = os.readlink(f"/proc/{pid}/fd/{fd}")
        except OSError:
            return "closed since"
    peer = PEER.search(text)
    if peer and int(peer.group(1)) in owners:
        return f"socket to {owners[int(peer.group(1))]} ({text})"
    return text


def why_returned(name, args, result):
    """Why a waiting call returned: [fd numbers] it reported ready, or a word."""
    if name in ("poll", "ppoll"):
        if result.startswith("0 ") or result == "0":
            return ["timeout"]
        return [int(fd) for fd, _ in READY.findall(result)] or [result.split()[0]]
    if name in ("epoll_wait", "epoll_pwait"):
        return ["timeout"] if result.startswith("0") else [f"{result.split()[0]} events"]
    if name == "futex":
        return ["woken by another thread" if "WAIT" in args else "wakes another thread"]
    if name in ("read", "recvmsg", "timerfd_settime"):
        fd = re.match(r"(\d+)", args)
        return [int(fd.group(1))] if fd else [name]
    return ["timer expired" if result.startswith("0") else result.split()[0]]


def summarise(trace, pid):
    """{(thread name, call, why): count} over the trace, fds resolved."""
    owners = socket_owners()
    named = {int(fd): desc for fd, desc in re.findall(r"(\d+)<((?:->|[^<>])*)>", trace)}
    threads = {}
    counts = collections.Counter()
    pending = {}  # tid → (name, args) of a call that strace split across lines
    for line in trace.splitlines():
        match = CALL.match(line)
        if not match:
            continue
        tid = int(match.group(1))
        rest = match.group(4)
        name = match.group(2) or match.group(3)
        if match.group(3) and rest.endswith("<unfinished ...>"):
            pending[tid] = rest
            continue
        args = pending.pop(tid, "") + rest if match.group(2) else rest
        result = args.rpartition(") = ")[2]
        if name not in WAITING or not result or result == args:
            continue
        if tid not in threads:
            try:
                threads[tid] = proc.command_name(pid, tid)
            except OSError:
                threads[tid] = f"thread {tid}"
        for why in why_returned(name, args, result):
            if isinstance(why, int):
                why = f"fd {why}: {describe_fd(pid, why, named, owners)}"
            counts[(threads[tid], name, why)] += 1
    return counts


def trace(pid, seconds, output):
    """strace on every thread of pid for seconds; returns its output."""
    subprocess.run(["timeout", "-s", "INT", f"{seconds:g}", "strace", "-f", "-tt", "-T", "-yy",
                    "-e", "trace=" + ",".join(WAITING), "-o", str(output), "-p", str(pid)],
                   capture_output=True)
    return output.read_text(errors="replace")


def main():
    name, command, prepare, _how = PROGRAMS[0]
    scratch = Path(tempfile.mkdtemp(prefix="lumio-wakers-"))
    with idle_bench.prepared(name, command, prepare, scratch / "run") as (_, process, result):
        if "failed" in result:
            sys.exit(f"wakers: {result['failed']}\n{result.get('log', '')}")
        _, before = proc.sample(process.pid)
        time.sleep(TRACE_SECONDS)
        _, after = proc.sample(process.pid)
        switches = proc.thread_growth(before, after)
        traced = summarise(trace(process.pid, TRACE_SECONDS, scratch / "strace.txt"),
                           process.pid)
    shutil.rmtree(scratch, ignore_errors=True)
    print(report(switches, traced))


def report(switches, traced):
    lines = [
        "# What still wakes Lumio between breaks",
        "",
        f"- `{LUMIO_BIN}` prepared as for the idle window (menu opened once, one break taken, "
        f"{idle_bench.SETTLE_SECONDS:g} s settle), then two windows of {TRACE_SECONDS:g} s one "
        "after the other: untouched (context switches per thread, from "
        "/proc/<pid>/task/<tid>/status), then under "
        f"`strace -f -tt -T -yy -e trace={','.join(WAITING)} -p <pid>` (which disturbs what it "
        "watches, hence the separate window).",
        "",
        "| Thread | tid | Voluntary | Involuntary | per second |",
        "|---|---:|---:|---:|---:|",
    ]
    for (_, tid), t in sorted(switches.items()):
        total = t["voluntary"] + t["involuntary"]
        lines.append(f"| {t['name']} | {tid} | {t['voluntary']} | {t['involuntary']} "
                     f"| {total / TRACE_SECONDS:.3f} |")
    lines += ["", "The traced system calls that returned, per thread, under strace: for "
              "poll and ppoll the descriptors reported ready (a call that reported several "
              "counts once for each) or the timeout; for futex a wait that was woken or a "
              "wake-up given; for read, recvmsg and timerfd_settime their descriptor. Sockets "
              "are named by the process at their other end:", "",
              "| Thread | System call | Returned for | Times | per minute |",
              "|---|---|---|---:|---:|"]
    for (thread, call, why), count in sorted(traced.items(), key=lambda item: -item[1]):
        lines.append(f"| {thread} | {call} | {why} | {count} "
                     f"| {count / (TRACE_SECONDS / 60):.1f} |")
    if not traced:
        lines.append("| — | — | nothing returned in the window | 0 | 0 |")
    return "\n".join(lines) + "\n"


if __name__ == "__main__":
    main()
