#!/usr/bin/env bash
# Builds the static libmosquitto and OpenSSL that the 32-bit Windows agent and
# MQTT acquisition library link, from Debian's own source packages of the
# host's versions, with the project's MinGW-w64 toolchain. The result lives in
# a cache outside the source tree, keyed by versions and options, like Qt's
# (scripts/build-qt-windows.sh), so it is built once per machine. It also
# holds nlohmann's JSON headers (header-only, the host's copy), so that one
# prefix gives the cross-build everything MQTT needs.
# Installs what it needs first. Prints the installed prefix on its last line.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

"$root/scripts/install-deps.sh" windows >&2

# The host's versions when their sources are offered, else the newest source
# apt offers (a security update's binaries can come before its deb-src entry).
source_version() {
    local wanted="$1" package="$2" offered
    offered="$(apt-cache showsrc "$package" 2>/dev/null | sed -n 's/^Version: //p' | sort -V)"
    if grep -qxF "$wanted" <<<"$offered"; then
        echo "$wanted"
    else
        tail -n1 <<<"$offered"
    fi
}
openssl_version="$(source_version "$(dpkg-query -W -f='${Version}' libssl-dev)" openssl)"
mosquitto_version="$(source_version "$(dpkg-query -W -f='${Version}' libmosquitto-dev)" mosquitto)"
triple=i686-w64-mingw32
openssl_options=(mingw no-shared no-module no-tests no-engine
    no-legacy no-dso "--cross-compile-prefix=$triple-")
mosquitto_options=(
    -DCMAKE_BUILD_TYPE=Release -DWITH_STATIC_LIBRARIES=ON -DWITH_TLS=ON
    -DWITH_THREADING=ON -DWITH_CLIENTS=OFF -DWITH_BROKER=OFF -DWITH_APPS=OFF
    -DWITH_PLUGINS=OFF -DDOCUMENTATION=OFF -DWITH_CJSON=OFF -DWITH_SRV=OFF
)
toolchain="$root/cmake/i686-w64-mingw32.cmake"
source "$(dirname "${BASH_SOURCE[0]}")/cache.sh"
key="$( (echo "$openssl_version $mosquitto_version"; printf '%s\n' "${openssl_options[@]}" \
        "${mosquitto_options[@]}"; cat "$toolchain") | cache_key)"
prefix="$cache/mosquitto-${mosquitto_version%%-*}-openssl-${openssl_version%%-*}-$triple-$key"

if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

scratch="$cache/scratch-mosquitto-$key"
rm -rf "$scratch"
mkdir -p "$scratch" "$prefix"
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

echo "build-mosquitto-windows: fetching Debian's sources of OpenSSL $openssl_version and mosquitto $mosquitto_version" >&2
apt-get -o APT::Sandbox::User=root source --download-only \
    "openssl=$openssl_version" "mosquitto=$mosquitto_version" >&2
tar -xf mosquitto_*.orig.tar.gz

# OpenSSL takes most of the time: once built, it is kept for the next try
# even when libmosquitto's build fails.
if [ ! -f "$prefix/.openssl-complete" ]; then
    echo "build-mosquitto-windows: building OpenSSL (static, libraries only)" >&2
    rm -rf "$prefix"
    mkdir -p "$prefix"
    tar -xf openssl_*.orig.tar.gz
    (cd openssl-*/ &&
        ./Configure "${openssl_options[@]}" --prefix="$prefix" --libdir=lib >configure.log 2>&1 &&
        make -j"$(nproc)" build_libs >build.log 2>&1 &&
        make install_dev >install.log 2>&1) ||
        { tail -n 40 openssl-*/*.log >&2; exit 1; }
    touch "$prefix/.openssl-complete"
fi

echo "build-mosquitto-windows: building libmosquitto (static)" >&2
cmake -G Ninja -S mosquitto-*/ -B mosquitto-build \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DOPENSSL_INCLUDE_DIR="$prefix/include" -DOPENSSL_CRYPTO_LIBRARY="$prefix/lib/libcrypto.a" \
    -DOPENSSL_SSL_LIBRARY="$prefix/lib/libssl.a" \
    -DLIB_EAY="$prefix/lib/libcrypto.a" -DSSL_EAY="$prefix/lib/libssl.a" \
    "${mosquitto_options[@]}" >mosquitto-configure.log 2>&1 ||
    { tail -n 40 mosquitto-configure.log >&2; exit 1; }
cmake --build mosquitto-build --target libmosquitto_static >mosquitto-build.log 2>&1 ||
    { grep -E -B2 -A8 "FAILED|error:" mosquitto-build.log | head -n 60 >&2; exit 1; }
mkdir -p "$prefix/include" "$prefix/lib"
cp mosquitto-*/include/mosquitto.h mosquitto-*/include/mqtt_protocol.h "$prefix/include/"
cp "$(find mosquitto-build -name 'libmosquitto_static.a' | head -n1)" "$prefix/lib/"
cp -r /usr/include/nlohmann "$prefix/include/"
touch "$prefix/.complete"
echo "$prefix"
