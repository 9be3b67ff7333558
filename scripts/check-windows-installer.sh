#!/usr/bin/env bash
# Checks the installer under Wine: a silent install puts exactly the program's
# files, the four Start-menu shortcuts and the entry of Windows' list of
# programs in place; the simulation's shortcut starts Solvane on the simulated
# module, the recording's records it; the silent uninstall that entry names
# leaves none of them behind.
# The program's files are the zip's, which the installer was made from.
#   scripts/check-windows-installer.sh Solvane-1.00-setup.exe Solvane-1.00-win32.zip
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
setup="$(realpath "$1")"
zip="$(realpath "$2")"
wine_run="$root/scripts/wine.sh"
failed=0
fail() {
    echo "check-windows-installer: $*" >&2
    failed=1
}
trap '"$wine_run" --stop' EXIT

# No menu entries on the Unix desktop for the shortcuts; Unix file names in
# UTF-8, whatever the caller's locale ("Désinstaller.exe").
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export LC_ALL=C.UTF-8
export QT_QPA_PLATFORM=offscreen
unset WINEPATH
drive="$("$wine_run" --prefix)/drive_c"
folder="$drive/Program Files/Solvane"
menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs"
shortcuts=("$menu/Solvane.lnk" "$menu/Solvane sur le module simulé.lnk"
    "$menu/Solvane avec enregistrement.lnk" "$menu/Rejouer un enregistrement.lnk")
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Solvane'
# What an earlier, failed check may have left.
rm -rf "$folder" "${shortcuts[@]}"

"$wine_run" "$setup" /S </dev/null >/dev/null 2>&1 || fail "the silent install failed"
expected="$({
    echo "Désinstaller.exe"
    unzip -Z1 "$zip" | grep -v '/$' | sed 's|^[^/]*/||'
} | LC_ALL=C sort)"
actual="$(cd "$folder" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort)"
[ "$actual" = "$expected" ] || fail "unexpected files installed:"$'\n'"$actual"
for shortcut in "${shortcuts[@]}"; do
    [ -f "$shortcut" ] || fail "no shortcut $shortcut"
done

# Wine writes it in the console's code page: bytes, not UTF-8.
entry="$("$wine_run" reg query "$key" 2>/dev/null | tr -d '\r')" || fail "no entry $key"
for value in "DisplayName.*Solvane$" "DisplayVersion.*1\.00$" "Publisher" \
    'InstallLocation.*C:\\Program Files\\Solvane$' \
    'UninstallString.*"C:\\Program Files\\Solvane\\[^\\]*sinstaller\.exe"$' \
    'QuietUninstallString.*"C:\\Program Files\\Solvane\\[^\\]*sinstaller\.exe" /S$' \
    "DisplayIcon" "NoModify.*0x1$" "NoRepair.*0x1$"; do
    LC_ALL=C grep -qE "^ *$value" <<<"$entry" || fail "the entry lacks $value:"$'\n'"$entry"
done

# The simulation's shortcut, opened as the Start menu opens it, keeps
# Solvane running: it found the simulated module.
"$wine_run" start /unix "${shortcuts[1]}" </dev/null >/dev/null 2>&1 ||
    fail "the simulation's shortcut did not open"
running=0
for _ in $(seq 60); do
    if pgrep -f 'Program Files.Solvane.*Solvane\.exe' >/dev/null; then
        running=1
        break
    fi
    sleep 1
done
sleep 3
[ "$running" -eq 1 ] && pgrep -f 'Program Files.Solvane.*Solvane\.exe' >/dev/null ||
    fail "the simulation's shortcut did not keep Solvane running"
"$wine_run" --stop

# The recording's shortcut, with no maker's library installed, records the
# simulated module into the folder it is given, from its own copy of Solvane.
recordings="$(mktemp -d)"
SOLVANE_RECORD_DIR="Z:$(sed 's|/|\\|g' <<<"$recordings")" \
    "$wine_run" start /unix "${shortcuts[2]}" </dev/null >/dev/null 2>&1 ||
    fail "the recording's shortcut did not open"
for _ in $(seq 60); do
    if grep -qs ',donnees,\|;donnees;' "$recordings"/*.csv; then break; fi
    sleep 1
done
pgrep -f 'Enregistrement.Solvane\.exe' >/dev/null ||
    fail "the recording's shortcut did not keep Solvane running"
grep -qs ',donnees,\|;donnees;' "$recordings"/*.csv ||
    fail "the recording's shortcut recorded nothing"
"$wine_run" --stop
rm -rf "$recordings"

# The quiet uninstall the entry names; the uninstaller copies itself away and
# returns at once: wait for the copy.
"$wine_run" "$folder/Désinstaller.exe" /S </dev/null >/dev/null 2>&1 ||
    fail "the silent uninstall failed"
"$wine_run" --wait
[ ! -e "$folder" ] || fail "left behind: $(cd "$folder" && find . | tr '\n' ' ')"
for shortcut in "${shortcuts[@]}"; do
    [ ! -e "$shortcut" ] || fail "left behind: $shortcut"
done
if "$wine_run" reg query "$key" >/dev/null 2>&1; then fail "left behind: $key"; fi

[ "$failed" -eq 0 ] || exit 1
echo "check-windows-installer: $(basename "$setup") ($(du -k "$setup" | cut -f1) kB) passes"
