#!/usr/bin/env bash
# Runs a 32-bit Windows program under Wine, in the project's own 32-bit
# prefix (created on first use): `scripts/wine.sh program.exe args...`.
# ctest uses it as the emulator of the Windows build. `scripts/wine.sh
# --stop` ends the prefix's Wine session.
set -euo pipefail

cache="${SOLVANE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/solvane}"
export WINEPREFIX="${SOLVANE_WINEPREFIX:-$cache/wine-win32}"
export WINEARCH=win32
if [ "${1:-}" = --stop ]; then
    wineserver -k 2>/dev/null || true
    exit 0
fi
export WINEDEBUG="${WINEDEBUG:--all}"
# No "install Mono/Gecko?" dialogs: nothing here needs them.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# The prefix is created on first use, then its session is started detached
# from the caller: the processes Wine starts with its server outlive the
# program, and holding its standard error they would keep ctest, which reads
# a test's output to its end, waiting until the last Windows program of the
# run has ended. Nor may they inherit the lock.
mkdir -p "$(dirname "$WINEPREFIX")"
(
    flock 9
    if [ ! -f "$WINEPREFIX/.solvane-ready" ]; then
        echo "wine: creating the 32-bit prefix $WINEPREFIX" >&2
        wineboot --init </dev/null >/dev/null 2>&1 9>&-
        wineserver --wait
        # Wine does not pick up Debian's fonts-wine by itself.
        fonts="$WINEPREFIX/drive_c/windows/Fonts"
        mkdir -p "$fonts"
        if [ -d /usr/share/wine/fonts ]; then
            cp -n /usr/share/wine/fonts/* "$fonts"/ 2>/dev/null || true
        fi
        touch "$WINEPREFIX/.solvane-ready"
    fi
    if wineserver --persistent=5 </dev/null >/dev/null 2>&1 9>&-; then
        wineboot </dev/null >/dev/null 2>&1 9>&-
    fi
) 9>"$WINEPREFIX.lock"

# Qt's offscreen platform draws with FreeType from this folder; Windows'
# own font folder is where the prefix keeps its fonts.
export QT_QPA_FONTDIR="${QT_QPA_FONTDIR:-C:\\windows\\Fonts}"

# Without a console Qt writes its messages, Qt Test's report among them, to
# the debugger channel; standard error is what ctest reads.
export QT_FORCE_STDERR_LOGGING="${QT_FORCE_STDERR_LOGGING:-1}"

# Wine hides Unix variables named QT_* from Windows programs; WINEQT_* reach
# them as QT_*.
while IFS='=' read -r name _; do
    case "$name" in
    QT_*) export "WINE$name=${!name}" ;;
    esac
done < <(env)

exec wine "$@"
