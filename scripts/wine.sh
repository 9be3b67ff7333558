#!/usr/bin/env bash
# Runs a 32-bit Windows program under Wine, in the project's own 32-bit
# prefix (created on first use): `scripts/wine.sh program.exe args...`.
# ctest uses it as the emulator of the Windows build. Besides:
#   scripts/wine.sh --stop       ends the prefix's Wine session;
#   scripts/wine.sh --wait       waits until every program of it has ended;
#   scripts/wine.sh --prefix     prints the prefix's folder;
#   scripts/wine.sh --emulated   prints 1 if Wine runs through qemu-i386 here, else 0;
#   scripts/wine.sh --describe   says in one line how Wine runs here.
#
# Wine comes from a root file system of its own (scripts/build-wine-root.sh,
# built on first use). Each run enters a private user and mount namespace in
# which that root's /usr and /etc take the place of the host's; every other
# folder stays the host's, so a path reads the same inside and out, and
# nothing changes outside this script.
#
# Wine's loader is a 32-bit x86 program. On a machine that cannot run one
# (its kernel or hypervisor executes no 32-bit code), every 32-bit program of
# Wine runs through qemu-i386 instead, registered for all 32-bit x86 programs
# in a binfmt_misc instance of the same namespace (Linux 6.7 or later). The
# root's own 32-bit loader decides: run with `--version`, its exit status
# says whether this machine runs 32-bit programs, whatever the language of
# its messages. SOLVANE_WINE_EMULATE=1 or 0 decides instead (scripts/test.sh
# decides once for its whole run); SOLVANE_WINE_PROBE names another program
# to probe with (one that cannot start shows the emulated way on any
# machine). Emulated, the Windows programs see SOLVANE_WINE_EMULATED=1.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/cache.sh"
export WINEPREFIX="${SOLVANE_WINEPREFIX:-$cache/wine-win32}"
export WINEARCH=win32
if [ "${1:-}" = --prefix ]; then
    echo "$WINEPREFIX"
    exit 0
fi

if [ "${1:-}" != --in-namespace ]; then
    wineroot="${SOLVANE_WINE_ROOT:-$("$(dirname "${BASH_SOURCE[0]}")/build-wine-root.sh")}"
    case "${SOLVANE_WINE_EMULATE:-}" in
    0 | 1)
        emulate="$SOLVANE_WINE_EMULATE"
        reason="SOLVANE_WINE_EMULATE=$emulate"
        ;;
    *)
        probe="${SOLVANE_WINE_PROBE:-$wineroot/usr/lib/i386-linux-gnu/ld-linux.so.2}"
        if LC_ALL=C "$probe" --version >/dev/null 2>&1; then
            emulate=0
            reason="this machine runs 32-bit x86 programs"
        else
            emulate=1
            reason="this machine runs no 32-bit x86 programs: $probe did not run"
        fi
        ;;
    esac
    case "${1:-}" in
    --emulated)
        echo "$emulate"
        exit 0
        ;;
    --describe)
        if [ "$emulate" = 1 ]; then
            echo "wine: runs through qemu-i386, several times slower ($reason)"
        else
            echo "wine: runs natively ($reason)"
        fi
        exit 0
        ;;
    esac
    if [ "$emulate" = 1 ]; then
        export SOLVANE_WINE_EMULATED=1
    fi
    exec unshare --user --map-root-user --mount "${BASH_SOURCE[0]}" --in-namespace \
        "$wineroot" "$emulate" "$@"
fi

# Inside the namespace.
wineroot="$2"
emulate="$3"
shift 3
if [ "$emulate" = 1 ]; then
    # 32-bit x86 ELF programs, executables and position-independent ones, go
    # to the emulator. F opens it now, so that it is found once the host's
    # /usr has made way for the root's.
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
fi
mount --bind "$wineroot/etc" /etc
mount --bind "$wineroot/usr" /usr

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
