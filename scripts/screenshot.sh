#!/usr/bin/env bash
# Starts the built program on a private X server and saves a screenshot of its window.
#   scripts/screenshot.sh OUT.png [BINARY]
# Uses its own settings folder, so the user's settings are never read or changed.
set -euo pipefail
out="${1:?usage: scripts/screenshot.sh OUT.png [BINARY]}"
binary="${2:-build/release/bin/tablewright}"
display=":$((90 + RANDOM % 9))"

config="$(mktemp -d)"
trap 'kill "$app" "$xvfb" 2>/dev/null || true; rm -rf "$config"' EXIT

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
DISPLAY="$display" XDG_CONFIG_HOME="${TW_SCREENSHOT_CONFIG:-$config}" "$binary" &
app=$!
sleep 3
DISPLAY="$display" import -window root -crop "${TW_SCREENSHOT_SIZE:-536x342+0+0}" +repage "$out"
echo "saved $out"
