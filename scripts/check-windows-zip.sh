#!/usr/bin/env bash
# Checks the zip for users under Wine: exactly the files it should hold; the
# program alone never finds the simulated module (it ends with the report
# naming Quelbin.dll); the launcher runs the program on the simulation; and the
# launcher refuses when a maker's Quelbin.dll stands beside the program; the
# recording launcher records the module beside the program and the replay
# launcher plays the recording back; where the zip holds the MQTT parts, the
# agent runs and the remote module's launcher runs the program on the MQTT
# library.
#   scripts/check-windows-zip.sh Solvane-1.00-win32.zip
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
zip="$(realpath "$1")"
wine_run="$root/scripts/wine.sh"
failed=0
fail() {
    echo "check-windows-zip: $*" >&2
    failed=1
}

scratch="$(mktemp -d)"
trap '"$wine_run" --stop; rm -rf "$scratch"' EXIT
unzip -q "$zip" -d "$scratch"
folder="$scratch/$(basename "$zip" .zip)"

expected="Enregistrement/Lancer avec enregistrement.cmd
Enregistrement/Quelbin.dll
LISEZMOI.txt
Rejeu/Quelbin.dll
Rejeu/Rejouer un enregistrement.cmd
Simulation/Lancer la simulation.cmd
Simulation/Quelbin.dll
Solvane.exe
Tarvox.dll"
# A build with the MQTT parts adds the agent and the remote module's folder.
if [ -f "$folder/solvane-agent.exe" ]; then
    expected="Distant/Lancer le module distant.cmd
Distant/Quelbin.dll
Distant/connexion-exemple.cmd
$expected
solvane-agent.exe"
fi
actual="$(cd "$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)"
[ "$actual" = "$expected" ] || fail "unexpected contents:"$'\n'"$actual"

# Nothing of the build on the search path: only what the zip holds.
unset WINEPATH
export QT_QPA_PLATFORM=offscreen

# 1. The program alone: no maker's library, so the clear report and status 1.
status=0
errors="$(timeout 60 "$wine_run" "$folder/Solvane.exe" 2>&1 >/dev/null)" || status=$?
[ "$status" -eq 1 ] || fail "Solvane.exe alone ended with status $status, not 1"
# The report is in the system's 8-bit code page: match around the accent.
for mention in "cution 48" "Quelbin.dll" "PATH"; do
    grep -qF "$mention" <<<"$errors" || fail "the report does not name '$mention': $errors"
done

# 2. The launcher starts the program on the simulated module, which keeps running.
launcher="$(sed 's|/|\\|g' <<<"Z:$folder/Simulation/Lancer la simulation.cmd")"
"$wine_run" cmd /c "$launcher" </dev/null >/dev/null 2>&1 || fail "the launcher failed"
sleep 5
pgrep -f "Solvane-.*Solvane\.exe" >/dev/null || fail "the launcher did not keep Solvane running"
"$wine_run" --stop
sleep 1

# 3. A maker's Quelbin.dll beside the program: the launcher refuses.
cp "$folder/Simulation/Quelbin.dll" "$folder/Quelbin.dll"
status=0
output="$("$wine_run" cmd /c "$launcher" </dev/null 2>&1)" || status=$?
[ "$status" -ne 0 ] || fail "the launcher ran with a Quelbin.dll beside Solvane.exe"
grep -q "Un Quelbin.dll se trouve" <<<"$output" || fail "the launcher did not say why: $output"

# 4. With the maker's Quelbin.dll (here the simulated one) beside the program,
# the recording launcher runs the program on the recording library over it,
# which writes a recording; the replay launcher plays that file back, and the
# program keeps running on it.
recordings="$scratch/recordings"
mkdir -p "$recordings"
recorder="$(sed 's|/|\\|g' <<<"Z:$folder/Enregistrement/Lancer avec enregistrement.cmd")"
SOLVANE_RECORD_DIR="$(sed 's|/|\\|g' <<<"Z:$recordings")" \
    "$wine_run" cmd /c "$recorder" </dev/null >/dev/null 2>&1 || fail "the recording launcher failed"
for _ in $(seq 60); do
    if grep -qs ',donnees,\|;donnees;' "$recordings"/*.csv; then break; fi
    sleep 1
done
pgrep -f 'Enregistrement.Solvane\.exe' >/dev/null ||
    fail "the recording launcher did not keep Solvane running"
grep -qs ',donnees,\|;donnees;' "$recordings"/*.csv ||
    fail "the recording launcher recorded nothing: $(ls "$recordings")"
"$wine_run" --stop
sleep 1
recording="$(ls "$recordings"/*.csv 2>/dev/null | head -n 1)"
replayer="$(sed 's|/|\\|g' <<<"Z:$folder/Rejeu/Rejouer un enregistrement.cmd")"
"$wine_run" cmd /c "$replayer" "$(sed 's|/|\\|g' <<<"Z:$recording")" </dev/null >/dev/null 2>&1 ||
    fail "the replay launcher failed"
sleep 5
pgrep -f 'Rejeu.Solvane\.exe' >/dev/null || fail "the replay launcher did not keep Solvane running"
"$wine_run" --stop
sleep 1

# 5. The agent runs (--help), and the remote module's launcher starts the
# program on the MQTT library: with no broker to reach, the module reads
# disconnected and the program keeps running, where without the library it
# would end at once with its report.
if [ -f "$folder/solvane-agent.exe" ]; then
    rm -f "$folder/Quelbin.dll"
    timeout 60 "$wine_run" "$folder/solvane-agent.exe" --help </dev/null 2>&1 |
        grep -q -- "--broker" || fail "solvane-agent.exe --help did not list its options"
    printf '%s\r\n' "set SOLVANE_MQTT_URL=mqtt://127.0.0.1:9/banc-1" >"$folder/Distant/connexion.cmd"
    remote="$(sed 's|/|\\|g' <<<"Z:$folder/Distant/Lancer le module distant.cmd")"
    "$wine_run" cmd /c "$remote" </dev/null >/dev/null 2>&1 || fail "the remote launcher failed"
    sleep 5
    pgrep -f "Solvane-.*Solvane\.exe" >/dev/null ||
        fail "the remote launcher did not keep Solvane running"
    "$wine_run" --stop
fi

[ "$failed" -eq 0 ] || exit 1
echo "check-windows-zip: $(basename "$zip") ($(du -k "$zip" | cut -f1) kB) passes"
