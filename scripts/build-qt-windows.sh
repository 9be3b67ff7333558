#!/usr/bin/env bash
# Builds the static Qt that the 32-bit Windows build of Solvane links, from
# Debian's own source package of the host's Qt version, with the project's
# MinGW-w64 toolchain file. The result lives in a cache outside the source tree,
# keyed by Qt version and options, so it is built once per machine.
# Installs what it needs first. Prints the installed prefix on its last line.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# MinGW-w64, Wine and the source entry; standard output carries only the
# prefix.
"$root/scripts/install-deps.sh" windows >&2

# Host and target Qt must be the very same version: the host's moc, rcc and
# uic generate the code that the target's libraries compile.
qt_version="$(dpkg-query -W -f='${Version}' qt6-base-dev-tools | sed -E 's/^([0-9]+:)?([0-9.]+).*/\2/')"

# Only what Solvane needs: Core, Gui, Widgets and Test. Direct2D, DirectWrite
# and DirectWrite3 go together (Qt 6.4 links with undefined DirectWrite
# symbols otherwise; GDI draws the fonts). Tablet events are off because
# Debian's tarball strips the Wintab headers they need.
qt_options=(
    -DBUILD_SHARED_LIBS=OFF -DCMAKE_BUILD_TYPE=Release
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
    -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF
    -DFEATURE_glib=OFF -DFEATURE_zstd=OFF -DFEATURE_jpeg=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_direct2d=OFF -DFEATURE_directwrite=OFF -DFEATURE_directwrite3=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF
)
# Nor the widgets, dialogs, models, formats and documents it never shows:
# a tenth less to compile. Qt 6.4 builds only with drag and drop (which
# needs XPM images for its cursors), main windows, tool bars and menu bars,
# and its Windows style only with input dialogs, tab, tree and table views:
# those stay. Text shaping (HarfBuzz) and accessibility stay too, for users
# whose names or tools need them.
for feature in filedialog colordialog fontdialog progressdialog wizard \
    errormessage calendarwidget datetimeedit graphicsview graphicseffect mdiarea \
    dockwidget statusbar treewidget tablewidget columnview \
    filesystemmodel fscompleter undoview undogroup undostack undocommand splashscreen \
    splitter toolbox lcdnumber dial keysequenceedit fontcombobox \
    commandlinkbutton datawidgetmapper syntaxhighlighter textbrowser systemtrayicon \
    whatsthis pdf textodfwriter textmarkdownreader textmarkdownwriter movie \
    imageformat_ppm imageformat_xbm gif ico mimetype sharedmemory systemsemaphore \
    hijricalendar islamiccivilcalendar jalalicalendar transposeproxymodel \
    concatenatetablesproxymodel itemmodeltester xmlstream xmlstreamreader xmlstreamwriter; do
    qt_options+=("-DFEATURE_$feature=OFF")
done
toolchain="$root/cmake/i686-w64-mingw32.cmake"
source "$(dirname "${BASH_SOURCE[0]}")/cache.sh"
key="$( (echo "$qt_version"; printf '%s\n' "${qt_options[@]}"; cat "$toolchain") |
        cache_key)"
prefix="$cache/qt-$qt_version-i686-w64-mingw32-static-$key"

if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

scratch="$cache/scratch-qt-$key"
rm -rf "$scratch" "$prefix"
mkdir -p "$scratch" "$prefix"
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

echo "build-qt-windows: fetching Debian's source of Qt $qt_version" >&2
# apt's sandbox user cannot enter the private scratch folder: download as ourselves.
apt-get -o APT::Sandbox::User=root source --download-only "qt6-base=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)" >&2
tarball="$(ls qt6-base_*.orig.tar.* | head -n1)"
# Debian's own patches are not needed to cross-build: the pristine tarball is.
tar -xf "$tarball"
source_dir="$(find . -maxdepth 1 -type d -name 'qtbase-*' | head -n1)"

# Qt's installed toolchain file chain-loads the one it was built with: keep a
# copy beside the prefix so that it outlives this checkout.
cp "$toolchain" "$prefix/i686-w64-mingw32.cmake"

echo "build-qt-windows: configuring Qt $qt_version for i686-w64-mingw32 into $prefix" >&2
cmake -G Ninja -S "$source_dir" -B build \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/i686-w64-mingw32.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "${qt_options[@]}" >build-configure.log 2>&1 ||
    { tail -n 40 build-configure.log >&2; exit 1; }
echo "build-qt-windows: building (about 13 minutes on two idle cores)" >&2
cmake --build build --parallel "$(nproc)" >build.log 2>&1 ||
    { grep -E -B2 -A8 "FAILED|error:" build.log | head -n 80 >&2; exit 1; }
cmake --install build >/dev/null
touch "$prefix/.complete"
echo "$prefix"
