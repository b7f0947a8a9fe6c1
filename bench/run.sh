#!/bin/sh
# Lumio next to Workrave and Safe Eyes, against its targets; writes
# bench/RESULTS.md and prints it. About 45 minutes with the defaults.
#
#   sudo bench/run.sh
#
# Installs what is missing (workrave, safeeyes and the tray bindings it
# recommends, xvfb, xcompmgr, dbus, strace, python3-gi, python3-xlib) with
# apt-get, then runs each program alone, one after another, on a private
# desktop (Xvfb, xcompmgr, private D-Bus buses, a StatusNotifier tray host):
# its menu opened once and one break taken, then between breaks, PSS and
# private memory of its whole process tree, CPU seconds per idle minute and
# wake-ups per second; for Lumio per thread and per mapping, and the time from
# launch to tray registration. Then Lumio alone: what still wakes it between
# breaks (its threads' context switches, then strace on the waiting system
# calls); on the real clock, "Nghỉ mắt ngay" from the menu to the painted
# break, PSS during a break and after its helper has gone; on a sped-up clock,
# hundreds of breaks in a row (from the due instant to the screen, PSS after
# 10 and after the last, what is left behind); its break next to the web
# engine's floor (a blank page in the same helper) and the PSS of each web
# engine setting during a break; and the core's micro-benchmarks.
# Environment:
#   BENCH_IDLE_SECONDS    idle window per program (default 120)
#   BENCH_SETTLE_SECONDS  wait after launch, and again after the break (default 20)
#   BENCH_TRACE_SECONDS   each of the two windows on what wakes Lumio (default 60)
#   BENCH_BREAKS          breaks in a row (default 500)
#   BENCH_TIME_SCALE      how much faster Lumio's clock runs for them (default 130)
#   BENCH_INTERVAL_MIN    minutes between them on that clock (default 6)
#   BENCH_FLOOR_RUNS      starts of Lumio's break and of the blank page each (default 3)
#   LUMIO_BIN             the program to measure (default /work/build/desktop/lumio;
#                         its helper lumio-break next to it)
#   LUMIO_BENCH_BIN       lumio_bench, run afterwards when present
#                         (default /work/build-bench/bench/lumio_bench; build it with
#                         cmake -DLUMIO_BENCH=ON ... && cmake --build ... --target lumio_bench)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
results="$here/RESULTS.md"
bench_bin=${LUMIO_BENCH_BIN:-/work/build-bench/bench/lumio_bench}
LUMIO_BIN=${LUMIO_BIN:-/work/build/desktop/lumio}
export LUMIO_BIN
[ -x "$LUMIO_BIN" ] || { echo "no lumio program at $LUMIO_BIN (set LUMIO_BIN)" >&2; exit 1; }

missing=""
# Safe Eyes only shows a tray icon with the Ayatana indicator bindings it recommends.
for package in workrave safeeyes gir1.2-ayatanaappindicator3-0.1 xprintidle xvfb xcompmgr dbus \
    strace python3-gi python3-xlib; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    case "$status" in
        *" installed") ;;
        *) missing="$missing $package" ;;
    esac
done
if [ -n "$missing" ]; then
    echo "installing:$missing" >&2
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
fi

# The system interpreter: it has python3-gi and python3-xlib, which tests/support needs.
/usr/bin/python3 "$here/idle_bench.py" "$results"
for part in wakers breaks_bench lean_bench; do
    echo "measuring: $part" >&2
    { echo; /usr/bin/python3 "$here/$part.py"; } | tee -a "$results"
done

if [ -x "$bench_bin" ]; then
    {
        echo
        echo "# Core micro-benchmarks"
        echo
        echo "\`$bench_bin\`"
        echo
        echo '```'
        "$bench_bin" 2>&1
        echo '```'
    } | tee -a "$results"
fi
