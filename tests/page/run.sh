#!/usr/bin/env bash
# Runs the break-card page tests in Debian's Chromium (apt-get install -y chromium).
set -euo pipefail
cd "$(dirname "$0")"
if [ ! -d node_modules ]; then
    npm ci || npm install
fi
node --test overlay.test.js
