#!/usr/bin/env bash
# Builds Solvane in Release and runs it on the bundled simulated module.
# Without a display it runs under Xvfb, saves a screenshot and prints its path.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -- -j"$(nproc)" >/dev/null

build="$root/build/release"
# The program finds both libraries through the library search path only.
export LD_LIBRARY_PATH="$build/lib:$build/sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$build/src/Solvane"
fi

seconds="${SOLVANE_SCREENSHOT_AFTER:-5}"
shot="$build/solvane-screenshot.png"
echo "run: no display (\$DISPLAY and \$WAYLAND_DISPLAY are unset): running under Xvfb"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
sleep 1
DISPLAY="$display" QT_QPA_PLATFORM=xcb "$build/src/Solvane" &
app=$!
sleep "$seconds"
if ! kill -0 "$app" 2>/dev/null; then
    wait "$app" || status=$?
    echo "run: Solvane ended by itself (status ${status:-0})" >&2
    exit "${status:-1}"
fi
DISPLAY="$display" import -window root -crop 480x380+0+0 "$shot"
kill "$app"
wait "$app" 2>/dev/null || true
echo "run: screenshot after ${seconds} s: $shot"
