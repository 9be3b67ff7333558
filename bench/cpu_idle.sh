#!/usr/bin/env bash
# CPU use of the real program at 5 ticks a second with a sensor watched, on
# Xvfb over the simulated module. Needs Xvfb and xdotool (measurement only).
# usage: bench/cpu_idle.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
build=$(cd "${1:-build/release}" && pwd)
seconds=${2:-60}
display=:${SOLVANE_BENCH_DISPLAY:-97}

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true' EXIT
sleep 1

export DISPLAY=$display QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
export LD_LIBRARY_PATH=$build/lib:$build/sim
if [ "${SOLVANE_BENCH_BARE:-0}" = 1 ]; then
    # The yardstick: a bare Qt list taking the same line on top 5 times a
    # second, no program logic at all.
    "$build/bench/bare_window" --log >/dev/null 2>&1 &
    app=$!
    sleep 4
else
    "$build/src/Solvane" >/dev/null 2>&1 &
    app=$!
    win=$(xdotool search --sync --onlyvisible --name 'Solvane')
    sleep 2 # a few ticks: the sensor list is built from the module

    # A click at the left end of the slider pages it down to 1: 200 ms a tick.
    xdotool mousemove --window "$win" 322 268 click 1
    sleep 0.5
    # Focus the sensor list (its popup opens), close the popup, then Down picks
    # sensor 0 as an operator would.
    # SOLVANE_BENCH_WATCH=0 leaves the list alone: the same ticks without a log.
    if [ "${SOLVANE_BENCH_WATCH:-1}" != 0 ]; then
        xdotool mousemove --window "$win" 104 42 click 1
        sleep 0.5
        xdotool key Escape
        sleep 0.3
        xdotool key Down
    fi
    sleep 2
fi

if [ -n "${SOLVANE_BENCH_SHOT:-}" ]; then
    import -window root "$SOLVANE_BENCH_SHOT" 2>/dev/null || true
fi

hz=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$app/stat"; }
before=$(cpu)
sleep "$seconds"
after=$(cpu)
[ -n "${SOLVANE_BENCH_SHOT:-}" ] && import -window root "${SOLVANE_BENCH_SHOT%.png}-end.png" 2>/dev/null || true
awk -v b="$before" -v a="$after" -v hz="$hz" -v s="$seconds" -v w="${SOLVANE_BENCH_WATCH:-1}" -v bare="${SOLVANE_BENCH_BARE:-0}" 'BEGIN {
    used = (a - b) / hz
    pct = 100 * used / s
    printf "CPU over %d s at 5 ticks/s (" (bare ? "bare_window --log" : "Solvane, watch=" w) "): %.2f s = %.3f%% of one core (target < 1%%): %s\n",
           s, used, pct, pct < 1 ? "met" : "MISSED"
}'
