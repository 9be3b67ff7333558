#!/usr/bin/env bash
# Builds Solvane and runs it on the bundled simulated module, or on an
# instrument through libsigrok.
#   scripts/run.sh                          the Linux program (Release build)
#   scripts/run.sh sigrok DEVICE [CONFIG]   the same on a libsigrok device,
#                                           e.g. scripts/run.sh sigrok demo
#   scripts/run.sh windows                  the 32-bit Windows program under Wine
#                                           (through qemu-i386 where needed)
# Without a display it runs under Xvfb, saves a screenshot and prints its path.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
target="${1:-linux}"

case "$target" in
linux | sigrok)
    module=sim
    if [ "$target" = sigrok ]; then
        if [ $# -lt 2 ]; then
            echo "usage: scripts/run.sh sigrok DEVICE [CONFIG]   (e.g. scripts/run.sh sigrok demo)" >&2
            exit 2
        fi
        # The acquisition library over libsigrok reads the instrument from these.
        export SOLVANE_SIGROK_DEVICE="$2"
        if [ $# -ge 3 ]; then export SOLVANE_SIGROK_CONFIG="$3"; fi
        module=sigrok
    fi
    scripts/install-deps.sh
    cmake --preset release >/dev/null
    cmake --build --preset release -- -j"$(nproc)" >/dev/null
    build="$root/build/release"
    if [ ! -e "$build/$module/libQuelbin.so" ]; then
        echo "run: $build/$module/libQuelbin.so was not built (is libsigrok-dev installed?)" >&2
        exit 1
    fi
    # The program finds both libraries through the library search path only.
    export LD_LIBRARY_PATH="$build/lib:$build/$module${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
    program=(env QT_QPA_PLATFORM=xcb "$build/src/Solvane")
    ;;
windows)
    SOLVANE_QT_WINDOWS="$(scripts/build-qt-windows.sh)"
    export SOLVANE_QT_WINDOWS
    cmake --preset windows >/dev/null
    cmake --build --preset windows -- -j"$(nproc)" >/dev/null
    build="$root/build/windows"
    # Windows searches PATH, in front of which Wine puts WINEPATH.
    export WINEPATH="Z:${build//\//\\}\\lib;Z:${build//\//\\}\\sim"
    scripts/wine.sh --describe
    program=(scripts/wine.sh "$build/Solvane.exe")
    ;;
*)
    echo "usage: scripts/run.sh [linux|sigrok DEVICE [CONFIG]|windows]" >&2
    exit 2
    ;;
esac

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "${program[@]}"
fi

seconds="${SOLVANE_SCREENSHOT_AFTER:-5}"
shot="$build/solvane-screenshot.png"
echo "run: no display (\$DISPLAY and \$WAYLAND_DISPLAY are unset): running under Xvfb"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
sleep 1
DISPLAY="$display" "${program[@]}" &
app=$!
sleep "$seconds"
if ! kill -0 "$app" 2>/dev/null; then
    status=0
    wait "$app" || status=$?
    echo "run: Solvane ended by itself (status $status)" >&2
    exit "$status"
fi
# The window itself, wherever the window system placed it.
window="$(DISPLAY="$display" xdotool search --name '^Solvane \(TM\)$' | head -n1)"
DISPLAY="$display" import -window "${window:-root}" "$shot"
kill "$app"
wait "$app" 2>/dev/null || true
if [ "$target" = windows ]; then scripts/wine.sh --stop; fi
echo "run: screenshot after ${seconds} s: $shot"
