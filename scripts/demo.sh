#!/usr/bin/env bash
# Shows one break on a virtual screen (Xvfb with a compositing manager) and
# saves a screenshot of it. Usage: demo.sh PATH_TO_LUMIO
set -euo pipefail
lumio=$1
work=$(mktemp -d /tmp/lumio-demo.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

# Xvfb writes the display number it took to the given descriptor once it is ready.
exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1280x800x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 20 number <&"$displayfd"
export DISPLAY=":$number"
xcompmgr >/dev/null 2>&1 &
pids+=($!)

# A throwaway home: the demo break must not count in the user's own tally.
mkdir -m 700 -p "$work/home" "$work/runtime"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
dbus-run-session -- "$lumio" --break-now >"$work/lumio.log" 2>&1 &
pids+=($!)

sleep 6
shot="$work/break.png"
import -window root "$shot"
echo "Screenshot of a break: $shot"
