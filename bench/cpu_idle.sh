#!/usr/bin/env bash
# CPU use of the real program at 5 ticks a second with the 16-value Real8
# sensor watched, against the bare-list yardstick measured over the same
# seconds: each runs on its own Xvfb over the simulated module, side by side,
# so that both see the same load of the machine. Needs Xvfb and xdotool
# (measurement only).
# usage: bench/cpu_idle.sh [BUILD_DIR] [SECONDS]
#   SOLVANE_BENCH_WATCH=0      no sensor picked (the same ticks without a log)
#   SOLVANE_BENCH_SHOT=x.png   screenshots of the program at start and end
set -euo pipefail
build=$(cd "${1:-build/release}" && pwd)
seconds=${2:-60}
base=${SOLVANE_BENCH_DISPLAY:-97}
# The simulated module's sensor 6 is "Spectre_16", 16 Real8 values a line.
sensor=${SOLVANE_BENCH_SENSOR:-6}

pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
for d in "$base" "$((base + 1))"; do
    Xvfb ":$d" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
done
sleep 1

export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
export LD_LIBRARY_PATH=$build/lib:$build/sim

DISPLAY=:$base "$build/src/Solvane" >/dev/null 2>&1 &
app=$!
pids+=("$app")
# The yardstick: a bare Qt list taking a line of the same shape on top 5
# times a second, no program logic at all.
DISPLAY=:$((base + 1)) "$build/bench/bare_window" --log >/dev/null 2>&1 &
bare=$!
pids+=("$bare")

export DISPLAY=:$base
win=$(xdotool search --sync --onlyvisible --name 'Solvane')
sleep 2 # a few ticks: the sensor list is built from the module
# A click at the left end of the slider pages it down to 1: 200 ms a tick.
xdotool mousemove --window "$win" 322 268 click 1
sleep 0.5
# Focus the sensor list (its popup opens), close the popup, then Down moves
# to sensor 0, 1, ... as an operator would.
if [ "${SOLVANE_BENCH_WATCH:-1}" != 0 ]; then
    xdotool mousemove --window "$win" 104 42 click 1
    sleep 0.5
    xdotool key Escape
    sleep 0.3
    xdotool key --delay 100 $(printf 'Down %.0s' $(seq 0 "$sensor"))
fi
sleep 2
[ -n "${SOLVANE_BENCH_SHOT:-}" ] && import -window root "$SOLVANE_BENCH_SHOT" 2>/dev/null || true

hz=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }
app0=$(cpu "$app")
bare0=$(cpu "$bare")
sleep "$seconds"
app1=$(cpu "$app")
bare1=$(cpu "$bare")
[ -n "${SOLVANE_BENCH_SHOT:-}" ] && import -window root "${SOLVANE_BENCH_SHOT%.png}-end.png" 2>/dev/null || true

awk -v a="$((app1 - app0))" -v b="$((bare1 - bare0))" -v hz="$hz" -v s="$seconds" \
    -v w="${SOLVANE_BENCH_WATCH:-1}" -v sensor="$sensor" 'BEGIN {
    pa = 100 * a / hz / s
    pb = 100 * b / hz / s
    printf "CPU over %d s at 5 ticks/s, %% of one core: Solvane (%s) %.2f s = %.3f%%, bare list %.2f s = %.3f%%\n",
           s, (w == 0 ? "no sensor watched" : ("sensor " sensor " watched")), a / hz, pa, b / hz, pb
    printf "ratio Solvane / bare list: %.2f (target <= 1): %s\n", (b > 0 ? a / b : 0),
           (a <= b ? "met" : "MISSED")
}'
