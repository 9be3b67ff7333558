#!/usr/bin/env bash
# Installs the Debian packages Solvane needs to build, test and run, and only
# those that are missing. Runs apt-get as root, or through sudo.
#   scripts/install-deps.sh           the Linux build
#   scripts/install-deps.sh windows   also the 32-bit Windows cross-build:
#                                     MinGW-w64, 32-bit Wine, Qt's sources
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev
    xvfb xauth imagemagick xdotool fonts-dejavu-core fonts-liberation2
    dpkg-dev file librsvg2-bin lintian desktop-file-utils appstream man-db
    libsigrok-dev libmosquitto-dev mosquitto mosquitto-clients nlohmann-json3-dev
)
windows=0
if [ "${1:-}" = windows ]; then
    windows=1
    packages+=(
        g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-tools
        wine wine32:i386 fonts-wine zip unzip
    )
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null; then
    as_root=(sudo)
else
    as_root=(false)
fi
export DEBIAN_FRONTEND=noninteractive
updated=0
apt_update() {
    [ "$updated" -eq 1 ] || "${as_root[@]}" apt-get update -qq
    updated=1
}
sources_changed=0

if [ "$windows" -eq 1 ]; then
    # Wine runs 32-bit Windows programs only with the i386 architecture.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${as_root[@]}" dpkg --add-architecture i386
        sources_changed=1
    fi
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

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
# New architectures and sources need fresh indexes, even with nothing to install.
if [ "$sources_changed" -eq 1 ]; then
    apt_update
fi
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "${as_root[0]:-}" = false ]; then
    echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo" >&2
    exit 1
fi
echo "install-deps: installing ${missing[*]}"
apt_update
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
