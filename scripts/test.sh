#!/usr/bin/env bash
# Sets up and runs every test: unit tests (also under AddressSanitizer and
# UndefinedBehaviorSanitizer), desktop tests, end-to-end tests under Xvfb and
# the page tests in headless Chromium. The end-to-end tests run on sway too, and on
# GNOME Shell and KDE Plasma when asked: LUMIO_TEST_DESKTOPS=gnome,kde.
set -uo pipefail
LUMIO_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$LUMIO_ROOT/scripts/setup.sh"

desktops=()
case ",${LUMIO_TEST_DESKTOPS:-}," in *,gnome,*) desktops+=("${LUMIO_GNOME_PACKAGES[@]}") ;; esac
case ",${LUMIO_TEST_DESKTOPS:-}," in *,kde,*) desktops+=("${LUMIO_KDE_PACKAGES[@]}") ;; esac
lumio_install "${LUMIO_BUILD_PACKAGES[@]}" "${LUMIO_TEST_PACKAGES[@]}" "${desktops[@]}" || exit 1
lumio_install_node || exit 1

passed=0
failed=0
count() { # label, passed, failed
    local f=$3
    if [ $(($2 + $3)) -eq 0 ]; then
        echo "== $1: no test ran"
        f=1
    fi
    echo "== $1: $2 passed, $f failed"
    passed=$((passed + $2))
    failed=$((failed + f))
}

build="$LUMIO_ROOT/build"
asan="$LUMIO_ROOT/build-sanitize"
log=$(mktemp -d)
trap 'rm -rf "$log"' EXIT

set -e
# Every option is given, so a folder configured otherwise by hand is set right.
# The benchmarks are built, not run, so they keep compiling cleanly.
lumio_setup "$build" -DLUMIO_WERROR=ON -DLUMIO_TESTS=ON -DLUMIO_DESKTOP=ON -DLUMIO_SANITIZE=OFF \
    -DLUMIO_BENCH=ON
lumio_setup "$asan" -DLUMIO_WERROR=ON -DLUMIO_TESTS=ON -DLUMIO_DESKTOP=OFF -DLUMIO_SANITIZE=ON \
    -DLUMIO_BENCH=OFF
set +e

run_ctest() { # label, build dir
    (cd "$2" && ctest --output-on-failure -j2) >"$log/ctest" 2>&1
    local rc=$?
    tail -n 40 "$log/ctest"
    local total fails
    total=$(grep -oE 'out of [0-9]+' "$log/ctest" | tail -1 | grep -oE '[0-9]+')
    fails=$(grep -oE '[0-9]+ tests failed' "$log/ctest" | tail -1 | grep -oE '^[0-9]+')
    total=${total:-0}
    fails=${fails:-0}
    [ "$rc" -ne 0 ] && [ "$fails" -eq 0 ] && fails=1
    count "$1" $((total - fails)) "$fails"
}

run_ctest "unit and desktop tests" "$build"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest "unit tests with sanitizers" "$asan"

if [ -d "$LUMIO_ROOT/tests/e2e" ]; then
    # The Debian package, for the end-to-end tests to check and run.
    (cd "$build" && rm -f lumio_*.deb && cpack -G DEB >"$log/cpack" 2>&1) || tail -n 20 "$log/cpack"
    deb=$(ls "$build"/lumio_*.deb 2>/dev/null | head -n 1)
    # Debian's interpreter: it has the D-Bus and GLib bindings the tests use.
    LUMIO_DEB="$deb" LUMIO_BIN="$build/desktop/lumio" LUMIO_TEST_DESKTOPS="${LUMIO_TEST_DESKTOPS:-}" \
        /usr/bin/python3 -B -m pytest -q -p no:cacheprovider "$LUMIO_ROOT/tests/e2e" \
        >"$log/e2e" 2>&1
    rc=$?
    tail -n 40 "$log/e2e"
    p=$(grep -oE '[0-9]+ passed' "$log/e2e" | tail -1 | grep -oE '[0-9]+')
    f=$(grep -oE '[0-9]+ (failed|error)' "$log/e2e" | awk '{s+=$1} END {print s+0}')
    [ "$rc" -ne 0 ] && [ "${f:-0}" -eq 0 ] && f=1
    count "end-to-end tests" "${p:-0}" "${f:-0}"
fi

if [ -f "$LUMIO_ROOT/tests/page/run.sh" ]; then
    bash "$LUMIO_ROOT/tests/page/run.sh" >"$log/page" 2>&1
    rc=$?
    tail -n 30 "$log/page"
    p=$(grep -oE '^# pass [0-9]+' "$log/page" | tail -1 | grep -oE '[0-9]+')
    f=$(grep -oE '^# fail [0-9]+' "$log/page" | tail -1 | grep -oE '[0-9]+')
    [ "$rc" -ne 0 ] && [ "${f:-0}" -eq 0 ] && f=1
    count "page tests" "${p:-0}" "${f:-0}"
fi

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
