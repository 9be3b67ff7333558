#!/usr/bin/env bash
# Makes Solvane-1.00-win32.zip from the Windows build: the program, the
# conversion library, LISEZMOI.txt, and the simulated module, the recording
# and the replay libraries each in a folder of its own with its launcher;
# where the build has the MQTT parts, solvane-agent.exe beside the program (so
# it loads the maker's Quelbin.dll from there) and the MQTT Quelbin.dll in a
# folder of its own with its launcher. Prints the zip's
# path on its last line.
#   scripts/make-windows-zip.sh [build folder, default build/windows]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build/windows}" && pwd)"

version="$(sed -nE 's/^ *VERSION ([0-9]+)\.([0-9]+).*/\1.\2/p' "$root/CMakeLists.txt" | head -n1)"
version="${version%%.*}.$(printf '%02d' "${version#*.}")" # 1.0 -> 1.00
name="Solvane-$version-win32"
zip="$build/$name.zip"

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name/Simulation"
strip=i686-w64-mingw32-strip
"$strip" -o "$stage/$name/Solvane.exe" "$build/Solvane.exe"
"$strip" -o "$stage/$name/Tarvox.dll" "$build/lib/Tarvox.dll"
"$strip" -o "$stage/$name/Simulation/Quelbin.dll" "$build/sim/Quelbin.dll"
# Windows' own editors and consoles expect CRLF line ends.
sed 's/$/\r/' "$root/packaging/windows/LISEZMOI.txt" >"$stage/$name/LISEZMOI.txt"
sed 's/$/\r/' "$root/packaging/windows/Lancer la simulation.cmd" \
    >"$stage/$name/Simulation/Lancer la simulation.cmd"
# The recording and replay libraries, each in its folder with its launcher.
for part in "Enregistrement record Lancer avec enregistrement.cmd" \
    "Rejeu replay Rejouer un enregistrement.cmd"; do
    read -r folder built script <<<"$part"
    mkdir -p "$stage/$name/$folder"
    "$strip" -o "$stage/$name/$folder/Quelbin.dll" "$build/$built/Quelbin.dll"
    sed 's/$/\r/' "$root/packaging/windows/$script" >"$stage/$name/$folder/$script"
done
if [ -f "$build/mqtt/Quelbin.dll" ] && [ -f "$build/solvane-agent.exe" ]; then
    mkdir -p "$stage/$name/Distant"
    "$strip" -o "$stage/$name/solvane-agent.exe" "$build/solvane-agent.exe"
    "$strip" -o "$stage/$name/Distant/Quelbin.dll" "$build/mqtt/Quelbin.dll"
    for script in "Lancer le module distant.cmd" connexion-exemple.cmd; do
        sed 's/$/\r/' "$root/packaging/windows/$script" >"$stage/$name/Distant/$script"
    done
fi

rm -f "$zip"
(cd "$stage" && zip -q -r -X "$zip" "$name")
echo "$zip"
