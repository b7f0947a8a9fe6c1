#!/bin/sh
# Draws the tray menu on a private X server and saves it as docs/menu.png.
# usage: docs/tools/take_menu_screenshot.sh [build dir] [out.png]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-"$here/../../build"}
out=${2:-"$here/../../docs/menu.png"}
mkdir -p "$(dirname "$out")"
out=$(realpath "$out")
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" \
    dbus-run-session -- "$build/desktop/menu_screenshot" "$out"
echo "saved $out"
