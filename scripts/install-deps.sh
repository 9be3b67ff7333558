#!/usr/bin/env bash
# Installs the Debian packages Solvane needs to build, test and run, and only
# those that are missing. Runs apt-get as root, or through sudo.
#   scripts/install-deps.sh           the Linux build
#   scripts/install-deps.sh windows   also the 32-bit Windows cross-build:
#                                     MinGW-w64, Qt's sources, debootstrap
#                                     (Wine lives in a root of its own:
#                                     scripts/build-wine-root.sh), qemu-i386
#                                     (10 or later, from backports on
#                                     Debian 12) for machines that run no
#                                     32-bit x86 code, NSIS, a Russian locale
set -euo pipefail

packages=(
    cmake make ninja-build g++ pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev
    xvfb xauth imagemagick xdotool fonts-dejavu-core fonts-liberation2
    dpkg-dev file librsvg2-bin lintian desktop-file-utils appstream man-db
    libsigrok-dev locales libmosquitto-dev mosquitto mosquitto-clients nlohmann-json3-dev
)
# Tests also run in these locales.
locales=(fr_FR.UTF-8)
windows=0
if [ "${1:-}" = windows ]; then
    windows=1
    packages+=(
        g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-tools
        zip unzip nsis debootstrap
    )
    # Wine takes the system's code page from the Unix locale: a test runs
    # under a Russian one (code page 1251).
    locales+=(ru_RU.UTF-8)
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null; then
    as_root=(sudo)
else
    as_root=(false)
fi
export DEBIAN_FRONTEND=noninteractive
# Another package manager at work holds dpkg's lock: apt waits up to this
# long for it rather than failing at once.
lock_timeout=300
updated=0
# A mirror caught mid-sync fails one index now and then: try again once, then
# go on with the indexes apt has; a package it then lacks fails the install.
apt_update() {
    if [ "$updated" -eq 0 ] && ! "${as_root[@]}" apt-get update -qq; then
        sleep 15
        "${as_root[@]}" apt-get update -qq ||
            echo "install-deps: apt-get update failed twice; going on with the indexes apt has" >&2
    fi
    updated=1
}
# apt and dpkg hold these files' record locks while they work; /proc/locks
# lists every held lock by device and inode ("... 08:01:1234 0 EOF").
dpkg_lock_held() {
    local file inode
    for file in /var/lib/dpkg/lock-frontend /var/lib/dpkg/lock; do
        inode="$(stat -c %i "$file" 2>/dev/null)" || continue
        if grep -q ":$inode " /proc/locks 2>/dev/null; then return 0; fi
    done
    return 1
}
sources_changed=0

if [ "$windows" -eq 1 ]; then
    # Qt for Windows is built from Debian's own source of the host's Qt.
    if ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -qx Sources; then
        codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
        printf '%s\n' "Types: deb-src" "URIs: http://deb.debian.org/debian" \
            "Suites: $codename $codename-updates" "Components: main" \
            "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" |
            "${as_root[@]}" tee /etc/apt/sources.list.d/solvane-sources.sources >/dev/null
        sources_changed=1
    fi
fi

# Installed is what dpkg has configured, or has unpacked and is configuring
# now: another apt run may leave a package half-configured or with triggers
# pending for a while, and it is not missing for that.
missing=()
for package in "${packages[@]}"; do
    case "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)" in
    installed | triggers-pending | triggers-awaited | half-configured) ;;
    *) missing+=("$package") ;;
    esac
done
# New architectures and sources need fresh indexes, even with nothing to install.
if [ "$sources_changed" -eq 1 ]; then
    apt_update
fi
if [ ${#missing[@]} -gt 0 ]; then
    if [ "${as_root[0]:-}" = false ]; then
        echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo" >&2
        exit 1
    fi
    echo "install-deps: installing ${missing[*]}"
    apt_update
    if dpkg_lock_held; then
        echo "install-deps: another program holds dpkg's lock; waiting up to" \
            "$((lock_timeout / 60)) minutes for it" >&2
    fi
    "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
        -o DPkg::Lock::Timeout="$lock_timeout" "${missing[@]}" >/dev/null
fi

# Debian 12's qemu-i386 (7.2) spends minutes in its own bookkeeping of the
# guest's pages while Wine reserves most of the 32-bit address space at each
# start; 10, from its backports, takes seconds. Older than 10 is untried.
qemu_wanted=1:10.0
qemu="$(dpkg-query -W -f='${db:Status-Status} ${Version}' qemu-user 2>/dev/null || true)"
if [ "$windows" -eq 1 ] && { [ "${qemu%% *}" != installed ] ||
    dpkg --compare-versions "${qemu#* }" lt "$qemu_wanted"; }; then
    suite=()
    codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
    if [ "$codename" = bookworm ]; then
        printf '%s\n' "Types: deb" "URIs: http://deb.debian.org/debian" \
            "Suites: $codename-backports" "Components: main" \
            "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" |
            "${as_root[@]}" tee /etc/apt/sources.list.d/solvane-backports.sources >/dev/null
        suite=(-t "$codename-backports")
        updated=0
    fi
    echo "install-deps: installing qemu-user $qemu_wanted or later ${suite[*]}"
    apt_update
    "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
        -o DPkg::Lock::Timeout="$lock_timeout" "${suite[@]}" qemu-user >/dev/null
fi

for locale in "${locales[@]}"; do
    # locale -a writes "fr_FR.utf8" for "fr_FR.UTF-8".
    if ! locale -a | grep -qix "${locale%%.*}.utf-\?8"; then
        echo "install-deps: generating the locale $locale"
        "${as_root[@]}" localedef -i "${locale%%.*}" -f UTF-8 "$locale"
    fi
done
