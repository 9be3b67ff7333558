#!/usr/bin/env bash
# Builds and runs the whole test suite:
#   linux     the format check, the check that the MQTT documents agree
#             with the packaged examples, then the Release build, a Release
#             build of the program with Make (CMake's default generator), the
#             checks of the Debian packages and the AddressSanitizer +
#             UndefinedBehaviorSanitizer build;
#   windows   the 32-bit Windows build (MinGW-w64; static Qt, libmosquitto
#             and OpenSSL, and the root Wine runs in, built once per
#             machine) with its tests under Wine (through qemu-i386 where
#             this machine runs no 32-bit x86 programs, or with
#             SOLVANE_WINE_EMULATE=1), the zip and the installer for users.
#   scripts/test.sh [--werror] [linux] [windows]   (default: both legs)
# --werror turns compiler warnings into errors. Any failed step fails the run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

werror=OFF
legs=()
for argument in "$@"; do
    case "$argument" in
    --werror) werror=ON ;;
    linux | windows) legs+=("$argument") ;;
    *)
        echo "usage: scripts/test.sh [--werror] [linux] [windows]" >&2
        exit 2
        ;;
    esac
done
[ ${#legs[@]} -gt 0 ] || legs=(linux windows)
jobs="$(nproc)"
mkdir -p build

# build_logged <name> <cmake --build arguments>...: builds into
# build/<name>-build.log, shows its errors and warnings.
build_logged() {
    local name="$1"
    shift
    cmake --build "$@" -j"$jobs" >"build/$name-build.log" 2>&1 || {
        grep -E -A5 "error|FAILED" "build/$name-build.log" | head -n 60 >&2
        echo "== $name: the build failed (build/$name-build.log)" >&2
        return 1
    }
    if grep -q "warning:" "build/$name-build.log"; then
        grep -A3 "warning:" "build/$name-build.log" >&2
    fi
}

# Configures, builds and tests one preset; the first failure ends the run.
run_preset() {
    local preset="$1"
    local started=$SECONDS
    echo "== $preset"
    cmake --preset "$preset" -DSOLVANE_WERROR="$werror" >/dev/null
    build_logged "$preset" --preset "$preset"
    ctest --preset "$preset" -j"$jobs"
    echo "== $preset: passed in $((SECONDS - started)) s"
}

# A user's plain `cmake -S . -B <dir> && cmake --build <dir>`, without
# presets or Ninja: Make, unlike Ninja, makes no folder for a rule's output.
# Only the build rules are proven here: no tests, no benchmark.
build_with_make() {
    local started=$SECONDS
    echo "== make"
    cmake -S . -B build/make -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release \
        -DSOLVANE_BUILD_TESTS=OFF -DSOLVANE_BUILD_BENCH=OFF -DSOLVANE_WERROR="$werror" >/dev/null
    build_logged make build/make
    echo "== make: built in $((SECONDS - started)) s"
}

begun=$SECONDS
for leg in "${legs[@]}"; do
    case "$leg" in
    linux)
        scripts/install-deps.sh
        scripts/check-format.sh
        scripts/check-mqtt-docs.sh
        run_preset release
        build_with_make
        started=$SECONDS
        echo "== package"
        scripts/check-package.sh
        echo "== package: passed in $((SECONDS - started)) s"
        run_preset asan
        ;;
    windows)
        scripts/install-deps.sh windows
        # Wine's root is mostly downloads and unpacking: it is made while
        # Qt builds.
        started=$SECONDS
        scripts/build-wine-root.sh >build/wine-root.out 2>build/wine-root.log &
        wine_root_job=$!
        SOLVANE_QT_WINDOWS="$(scripts/build-qt-windows.sh)"
        export SOLVANE_QT_WINDOWS
        echo "== Qt for Windows ready in $((SECONDS - started)) s: $SOLVANE_QT_WINDOWS"
        started=$SECONDS
        SOLVANE_MOSQUITTO_WINDOWS="$(scripts/build-mosquitto-windows.sh)"
        export SOLVANE_MOSQUITTO_WINDOWS
        echo "== libmosquitto for Windows ready in $((SECONDS - started)) s: $SOLVANE_MOSQUITTO_WINDOWS"
        started=$SECONDS
        wait "$wine_root_job" || {
            cat build/wine-root.log >&2
            exit 1
        }
        SOLVANE_WINE_ROOT="$(tail -n 1 build/wine-root.out)"
        export SOLVANE_WINE_ROOT
        echo "== Wine's root ready $((SECONDS - started)) s later: $SOLVANE_WINE_ROOT"
        scripts/wine.sh --describe
        # Decided once, so that every Windows program of the run goes the same way.
        SOLVANE_WINE_EMULATE="$(scripts/wine.sh --emulated)"
        export SOLVANE_WINE_EMULATE
        run_preset windows
        # What a test trimmed under emulation, in its own words.
        grep -h "QINFO.*qemu-i386" build/windows/Testing/Temporary/LastTest.log || true
        started=$SECONDS
        zip="$(scripts/make-windows-zip.sh build/windows)"
        scripts/check-windows-zip.sh "$zip"
        echo "== zip: made and checked in $((SECONDS - started)) s"
        started=$SECONDS
        setup="$(scripts/make-windows-installer.sh "$zip")"
        scripts/check-windows-installer.sh "$setup" "$zip"
        echo "== installer: made and checked in $((SECONDS - started)) s"
        ;;
    esac
done
echo "== all passed in $((SECONDS - begun)) s"
