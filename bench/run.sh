#!/usr/bin/env bash
# Runs the benchmark with the scripted acquisition library and the conversion
# library on the search path, headless.
# usage: bench/run.sh [BUILD_DIR] [ticks|rss|startup|callgrind|sigrok|recording|all] [extra args]
set -euo pipefail
build=$(cd "${1:-build/release}" && pwd)
what=${2:-all}
shift $(( $# > 2 ? 2 : $# )) || true

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export LD_LIBRARY_PATH=$build/tests/scripted:$build/lib
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
bench=$build/bench/solvane_bench

# Instructions per tick under callgrind: only solvane_bench_measured_tick is
# collected, so the total divided by the measured ticks is one tick's cost.
callgrind_case() { # case lines ticks
    local out
    out=$(mktemp /tmp/solvane-cg.XXXXXX)
    valgrind --tool=callgrind --toggle-collect=solvane_bench_measured_tick \
        --callgrind-out-file="$out" "$bench" --case "$1" --lines "$2" --ticks "$3" \
        --warmup 20 >/dev/null 2>&1
    local total
    total=$(callgrind_annotate "$out" 2>/dev/null | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}')
    printf 'case %s (lines %s): %s Ir / %s ticks = %d instructions per tick\n' \
        "$1" "$2" "$total" "$3" $((total / $3))
    rm -f "$out"
}

case $what in
ticks) "$bench" "$@" ;;
rss) "$bench" --rss ;;
startup) "$bench" --startup "${1:-20}" ;;
sigrok) "$build/bench/sigrok_bench" "$build/sigrok/libQuelbin.so" "$@" ;;
recording)
    "$build/bench/recording_bench" "$build/tests/scripted/libQuelbin.so" \
        "$build/record/libQuelbin.so" "$build/replay/libQuelbin.so" \
        "$(mktemp -d /tmp/solvane-recording.XXXXXX)" "$@"
    ;;
callgrind)
    n=${1:-200}
    callgrind_case 1 999 "$n"
    callgrind_case 1 10 "$n"
    callgrind_case 2 999 "$n"
    callgrind_case 3 0 "$n"
    callgrind_case 4 0 "$n"
    ;;
all)
    "$bench"
    "$bench" --rss
    "$bench" --startup 20
    ;;
*)
    echo "usage: $0 [BUILD_DIR] [ticks|rss|startup|callgrind|sigrok|recording|all]" >&2
    exit 2
    ;;
esac
