#!/usr/bin/env bash
# Runs a 32-bit Windows program under Wine, in the project's own 32-bit
# prefix (created on first use): `scripts/wine.sh program.exe args...`.
# ctest uses it as the emulator of the Windows build. Besides:
#   scripts/wine.sh --stop       ends the prefix's Wine session;
#   scripts/wine.sh --wait       waits until every program of it has ended;
#   scripts/wine.sh --prefix     prints the prefix's folder;
#   scripts/wine.sh --describe   says in one line how Wine runs here.
#
# Wine's loader is a 32-bit x86 program. On a machine that cannot run one
# (its kernel or hypervisor executes no 32-bit code), every 32-bit program of
# Wine runs through qemu-i386 instead, registered for all 32-bit x86 programs
# in a binfmt_misc instance of a private user namespace (Linux 6.7 or later),
# so nothing changes outside this script. SOLVANE_WINE_EMULATE=1 forces that
# way on any machine; the Windows programs then see SOLVANE_WINE_EMULATED=1.
set -euo pipefail

cache="${SOLVANE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/solvane}"
export WINEPREFIX="${SOLVANE_WINEPREFIX:-$cache/wine-win32}"
export WINEARCH=win32
if [ "${1:-}" = --prefix ]; then
    echo "$WINEPREFIX"
    exit 0
fi

if [ "${1:-}" = --in-namespace ]; then
    # Inside the namespace: 32-bit x86 ELF programs, executables and
    # position-independent ones, go to the emulator. F opens it now, so that
    # it is found whatever the program's own view of the file system.
    shift
    if [ ! -x /usr/bin/qemu-i386 ]; then
        echo "wine: /usr/bin/qemu-i386 is missing (scripts/install-deps.sh windows installs it)" >&2
        exit 1
    fi
    mount -t binfmt_misc none /proc/sys/fs/binfmt_misc || {
        echo "wine: no binfmt_misc of our own to run Wine through qemu-i386 (Linux 6.7 or later needed)" >&2
        exit 1
    }
    printf '%s' ':solvane-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
        >/proc/sys/fs/binfmt_misc/register
else
    if [ "${SOLVANE_WINE_EMULATE:-}" = 1 ]; then
        reason="forced by SOLVANE_WINE_EMULATE=1"
    elif ! probe="$(/usr/lib/wine/wine --version 2>&1)" && grep -q "Exec format error" <<<"$probe"; then
        reason="this machine runs no 32-bit x86 programs"
    else
        reason=""
    fi
    if [ "${1:-}" = --describe ]; then
        if [ -n "$reason" ]; then
            echo "wine: runs through qemu-i386, several times slower ($reason)"
        else
            echo "wine: runs natively (this machine runs 32-bit x86 programs)"
        fi
        exit 0
    fi
    if [ -n "$reason" ]; then
        export SOLVANE_WINE_EMULATED=1
        exec unshare --user --map-root-user --mount "${BASH_SOURCE[0]}" --in-namespace "$@"
    fi
fi

case "${1:-}" in
--stop)
    wineserver -k 2>/dev/null || true
    exit 0
    ;;
--wait)
    wineserver --wait 2>/dev/null || true
    exit 0
    ;;
esac
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
        # Under emulation wineboot may stop waiting for the set-up, which
        # goes on: the prefix is judged by its files once the session ends.
        wineboot --init </dev/null >/dev/null 2>&1 9>&- || true
        wineserver --wait
        if [ ! -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]; then
            echo "wine: the prefix $WINEPREFIX could not be created" >&2
            exit 1
        fi
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
