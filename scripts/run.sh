#!/usr/bin/env bash
# Sets up and runs Lumio. Without a display it shows a break on a virtual
# screen instead and saves a screenshot of it.
set -euo pipefail
LUMIO_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$LUMIO_ROOT/scripts/setup.sh"

lumio_install "${LUMIO_BUILD_PACKAGES[@]}"
# A folder of its own: the test command's build has other options.
build="$LUMIO_ROOT/build-run"
lumio_setup "$build" -DLUMIO_TESTS=OFF -DLUMIO_BENCH=OFF -DLUMIO_DESKTOP=ON -DLUMIO_SANITIZE=OFF
lumio="$build/desktop/lumio"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$lumio" "$@"
fi

echo "No display found: showing a break on a virtual screen."
lumio_install "${LUMIO_DEMO_PACKAGES[@]}"
exec bash "$LUMIO_ROOT/scripts/demo.sh" "$lumio"
