#!/usr/bin/env bash
# Makes Solvane-<version>-setup.exe with NSIS (packaging/windows/solvane.nsi)
# from the zip for users, so that both hold the very same files. Prints the
# installer's path on its last line.
#   scripts/make-windows-installer.sh build/windows/Solvane-1.00-win32.zip
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
zip="$(realpath "$1")"
name="$(basename "$zip" .zip)"    # Solvane-1.00-win32
version="${name#Solvane-}"
version="${version%-win32}"       # 1.00
major="${version%%.*}"
minor="$((10#${version#*.}))"
setup="$(dirname "$zip")/Solvane-$version-setup.exe"

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
unzip -q "$zip" -d "$stage"
rm -f "$setup"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DFILEVERSION="$major.$minor.0.0" \
    -DSOURCE="$stage/$name" -DOUTFILE="$setup" "$root/packaging/windows/solvane.nsi" >&2
echo "$setup"
