#!/usr/bin/env bash
# Builds the Debian package into build-package/ and checks it with lintian.
set -euo pipefail
LUMIO_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$LUMIO_ROOT/scripts/setup.sh"

lumio_install "${LUMIO_BUILD_PACKAGES[@]}" dpkg-dev lintian
build="$LUMIO_ROOT/build-package"
lumio_setup "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMIO_TESTS=OFF -DLUMIO_BENCH=OFF \
    -DLUMIO_DESKTOP=ON -DLUMIO_SANITIZE=OFF -DCMAKE_INSTALL_PREFIX=/usr
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/lumio_*.deb)
echo "$deb"
# Errors fail the build; warnings are shown.
lintian --fail-on error "$deb"
