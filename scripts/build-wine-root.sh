#!/usr/bin/env bash
# Builds the root file system in which Wine runs the Windows build's tests:
# the host's Debian release made by debootstrap from that release's main
# archive alone, with 32-bit and 64-bit Wine of one version inside. The host
# itself then needs neither the i386 architecture nor Wine, and nothing waits
# on the security archive's 32-bit index (a mirror mid-sync breaks it for
# days; the host's security-updated 64-bit libraries would then have no
# matching 32-bit ones). Every package is verified as apt verifies it:
# debootstrap checks the release's signature against Debian's keyring, then
# every index and package against the signed checksums, and apt inside the
# root does the same with the keyring installed there.
#
# The root lives in a cache outside the source tree, keyed by the release and
# the packages, so it is built once per machine (as root, or through sudo).
# scripts/wine.sh enters it. Prints the root's folder on its last line.
set -euo pipefail

codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
mirror=http://deb.debian.org/debian
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
packages=(wine wine32:i386 wine64 fonts-wine locales)
# Wine takes the system's code page from the Unix locale: the tests run under
# these besides C.UTF-8.
locales=(fr_FR.UTF-8 ru_RU.UTF-8)
source "$(dirname "${BASH_SOURCE[0]}")/cache.sh"
key="$( (echo "$codename $mirror"; printf '%s\n' "${packages[@]}" "${locales[@]}") |
        cache_key)"
wineroot="$cache/wine-root-$codename-$key"

if [ -f "$wineroot/.complete" ]; then
    echo "$wineroot"
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    exec sudo SOLVANE_CACHE="$cache" "${BASH_SOURCE[0]}" "$@"
fi

mkdir -p "$cache"
exec 9>"$wineroot.lock"
flock 9
if [ -f "$wineroot/.complete" ]; then
    echo "$wineroot"
    exit 0
fi

started=$SECONDS
scratch="$wineroot.partial"
rm -rf "$scratch"
echo "build-wine-root: $codename from $mirror (main only, signatures checked) into $wineroot" >&2
debootstrap --variant=minbase --arch=amd64 --force-check-gpg --keyring="$keyring" \
    "$codename" "$scratch" "$mirror" >"$cache/wine-root-debootstrap.log" 2>&1 ||
    { tail -n 20 "$cache/wine-root-debootstrap.log" >&2; exit 1; }

printf '127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' >"$scratch/etc/hosts"
# Inside a mount namespace of its own, so that nothing stays mounted if this
# fails half-way.
unshare --mount --propagation private /usr/bin/env -i PATH=/usr/sbin:/usr/bin \
    bash -s "$scratch" "${packages[*]}" "${locales[*]}" <<'INSIDE' >"$cache/wine-root-apt.log" 2>&1 ||
set -euo pipefail
scratch="$1"
mount --rbind /proc "$scratch/proc"
mount --rbind /dev "$scratch/dev"
chroot "$scratch" /usr/bin/env DEBIAN_FRONTEND=noninteractive LC_ALL=C bash -s "$2" "$3" <<'CHROOT'
set -euo pipefail
dpkg --add-architecture i386
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $1
for locale in $2; do
    localedef -i "${locale%%.*}" -f UTF-8 "$locale"
done
apt-get clean
CHROOT
INSIDE
    { tail -n 30 "$cache/wine-root-apt.log" >&2; exit 1; }

touch "$scratch/.complete"
rm -rf "$wineroot"
mv "$scratch" "$wineroot"
echo "build-wine-root: ready in $((SECONDS - started)) s ($(du -sh "$wineroot" | cut -f1))" >&2
echo "$wineroot"
