#!/usr/bin/env bash
# Builds the Debian packages with `cmake --workflow --preset package`, then
# checks them as an operator's machine would meet them: lintian, the menu
# entries and AppStream data, the files and where they land, and the program
# run from the unpacked packages, on the simulated module under Xvfb and
# without any maker's library. Prints one line per check; exits 1 if any failed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

build="$root/build/package"
passes=0
failures=0
pass() {
    echo "check-package: ok: $*"
    passes=$((passes + 1))
}
fail() {
    echo "check-package: FAILED: $*" >&2
    failures=$((failures + 1))
}
check() { # check <description> <command>...: passes when the command succeeds
    local what="$1"
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

scratch="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$scratch"
}
trap cleanup EXIT

rm -f "$build"/*.deb
if ! cmake --workflow --preset package >"$scratch/workflow.log" 2>&1; then
    cat "$scratch/workflow.log" >&2
    fail "the packages build (cmake --workflow --preset package)"
    exit 1
fi
grep -E "warning|error" "$scratch/workflow.log" || true
runtime="$build/solvane_1.00_amd64.deb"
conversion="$build/libtarvox_1.00_amd64.deb"
dev="$build/solvane-dev_1.00_all.deb"
debs=("$build"/*.deb)
check "the packages build: ${debs[*]##*/}" test -f "$runtime" -a -f "$conversion" -a -f "$dev"

# Lintian, overrides included; its warnings count as failures too.
if lintian --fail-on error,warning --display-info "${debs[@]}" >"$scratch/lintian" 2>&1; then
    pass "lintian"
else
    fail "lintian"
fi
grep -v "root privileges" "$scratch/lintian" || true

stage="$scratch/root"
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$stage"; done
stage="$(realpath "$stage")"
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
systemLib="$stage/usr/lib/$multiarch"
simulation="$stage/usr/lib/solvane/simulation"
app="$stage/usr/share/applications/org.solvane.Solvane.desktop"
simulationApp="$stage/usr/share/applications/org.solvane.Solvane.Simulation.desktop"
metainfo="$stage/usr/share/metainfo/org.solvane.Solvane.metainfo.xml"

# desktopKey <file> <key>: the key's value in the file's main group.
desktopKey() { sed -n "/^\[Desktop Entry\]/,/^\[/s/^$2=//p" "$1"; }
menu=()
for entry in "$app" "$simulationApp"; do
    check "desktop-file-validate ${entry##*/}" desktop-file-validate "$entry"
    menu+=("$(desktopKey "$entry" Name)")
done
check "the menu offers \"${menu[0]}\" and \"${menu[1]}\"" \
    test "${menu[0]}|${menu[1]}" = "Solvane|Solvane sur le module simulé"
check "appstreamcli validate" appstreamcli validate --no-net "$metainfo"
# No web address on a reserved domain, compressed files included.
reserved='https?://[^/"<> ]*\.(invalid|example|test|localhost)\b'
placeholders="$({
    grep -rIlE "$reserved" "$stage"
    find "$stage" -name '*.gz' -exec zgrep -lE "$reserved" {} +
} || true)"
check "no placeholder web address in the packages${placeholders:+: $placeholders}" \
    test -z "$placeholders"

for file in usr/bin/Solvane usr/bin/solvane-simulation; do
    check "$file is executable" test -x "$stage/$file"
done
for file in "$systemLib/libTarvox.so" "$simulation/libQuelbin.so" \
    "$stage"/usr/share/icons/hicolor/{scalable/apps/solvane.svg,48x48/apps/solvane.png} \
    "$stage"/usr/share/man/man1/{solvane,Solvane,solvane-simulation}.1.gz; do
    check "${file#"$stage"/} is there" test -e "$file"
done
check "the icon named by the menu entry is installed" \
    test -e "$stage/usr/share/icons/hicolor/scalable/apps/$(sed -n 's/^Icon=//p' "$app").svg"
check "the manual page reads without warnings" \
    sh -c "man --warnings -E UTF-8 -l '$stage/usr/share/man/man1/solvane.1.gz' 2>&1 >/dev/null | (! grep .)"
shadowing="$(find "$stage" -name libQuelbin.so ! -path "$stage/usr/lib/solvane/*")"
check "no libQuelbin.so outside the private folders${shadowing:+: $shadowing}" test -z "$shadowing"
headers="$(dpkg-deb -c "$dev" | grep -o 'usr/include/.*\.h' | sort | tr '\n' ' ')"
check "solvane-dev holds the three headers ($headers)" \
    test "$headers" = "usr/include/quelbin.h usr/include/solvane_abi.h usr/include/tarvox.h "
check "solvane holds no header" sh -c "! dpkg-deb -c '$runtime' | grep -q usr/include"
# A module maker may write the library in C: the headers must stand alone.
printf '#include <quelbin.h>\n#include <tarvox.h>\n' >"$scratch/maker.c"
check "the installed headers compile as C99" \
    cc -std=c99 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I"$stage/usr/include" "$scratch/maker.c"

# Runs from the unpacked packages, the commands found through PATH as the menu
# finds them; the unpacked library folder stands for the system's.
export PATH="$stage/usr/bin:$PATH" LD_LIBRARY_PATH="$systemLib" LC_ALL=C.UTF-8
menuCommand="$(desktopKey "$app" Exec)"
simulationCommand="$(desktopKey "$simulationApp" Exec)"

# loadedFrom <log prefix> <library>: the dynamic loader initialised that file.
loadedFrom() {
    sed -n 's/.*calling init: //p' "$1".* 2>/dev/null | xargs -r realpath | grep -qxF "$2"
}

# The simulation under Xvfb: still running after several ticks (a missing
# library or function would have ended it), with the simulated module loaded,
# a sensor chosen in the window so that its raw data are logged through the
# staged conversion library, and a window on the screen.
display=":$((100 + RANDOM % 100))"
Xvfb "$display" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 1
DISPLAY="$display" QT_QPA_PLATFORM=xcb LD_DEBUG=libs LD_DEBUG_OUTPUT="$scratch/simulation" \
    $simulationCommand 2>"$scratch/simulation.err" &
simulationPid=$!
pids+=("$simulationPid")
sleep 3
shot="$build/solvane-simulation.png"
if kill -0 "$simulationPid" 2>/dev/null; then
    pass "$simulationCommand runs"
    # The window stands at the screen's corner: open the sensor list, take one.
    DISPLAY="$display" xdotool mousemove 100 42 click 1 sleep 0.7 key Down Return sleep 2
    DISPLAY="$display" import -window root -crop 480x380+0+0 "$shot"
    colours="$(convert "$shot" -format %k info:)"
    check "the window is on the screen ($colours colours in $shot)" test "$colours" -ge 64
    check "$simulationCommand still runs with a sensor watched" kill -0 "$simulationPid"
    kill "$simulationPid" 2>/dev/null || true
else
    fail "$simulationCommand runs: $(cat "$scratch/simulation.err")"
fi
wait "$simulationPid" 2>/dev/null || true
if loadedFrom "$scratch/simulation" "$simulation/libQuelbin.so"; then
    pass "$simulationCommand loads the simulated libQuelbin.so"
else
    fail "$simulationCommand loads the simulated libQuelbin.so: $(cat "$scratch/simulation.err")"
fi
check "$simulationCommand loads libTarvox.so from the library folder" \
    loadedFrom "$scratch/simulation" "$systemLib/libTarvox.so"

# The menu's command without a maker's library: one clear report, status 1.
if ldconfig -p | grep -q 'libQuelbin\.so '; then
    echo "check-package: not checked: a libQuelbin.so is installed on this machine"
else
    code=0
    QT_QPA_PLATFORM=offscreen timeout 30 $menuCommand 2>"$scratch/menu.err" || code=$?
    check "$menuCommand without a maker's library ends with status 1 (got $code)" test "$code" -eq 1
    if grep -q "Erreur d'exécution 48.*libQuelbin\.so" "$scratch/menu.err"; then
        pass "$menuCommand reports the missing libQuelbin.so"
    else
        fail "$menuCommand reports the missing libQuelbin.so: $(cat "$scratch/menu.err")"
    fi
    # The report names the menu entry and the installed launchers to try
    # instead, each after what it needs.
    launchers=("« $(desktopKey "$simulationApp" Name) » dans le menu.*« $simulationCommand »")
    if [ -f "$build/solvane-sigrok_1.00_amd64.deb" ]; then
        launchers+=("SOLVANE_SIGROK_DEVICE.*« solvane-sigrok »")
    fi
    if [ -f "$build/solvane-mqtt_1.00_amd64.deb" ]; then
        launchers+=("SOLVANE_MQTT_URL.*« solvane-mqtt »")
    fi
    for launcher in "${launchers[@]}"; do
        if hint="$(grep -o -e "$launcher" "$scratch/menu.err")"; then
            pass "the report's hint: $hint"
        else
            fail "the report's hint names $launcher: $(cat "$scratch/menu.err")"
        fi
    done
fi

# Recording and replay: their package, menu entry, "Open with" entry for CSV
# files that is never their default, and both launchers on the simulation.
recordingDeb="$build/solvane-recording_1.00_amd64.deb"
recordingApp="$stage/usr/share/applications/org.solvane.Solvane.Recording.desktop"
replayApp="$stage/usr/share/applications/org.solvane.Solvane.Replay.desktop"
check "the recording package builds" test -f "$recordingDeb"
for entry in "$recordingApp" "$replayApp"; do
    check "desktop-file-validate ${entry##*/}" desktop-file-validate "$entry"
done
check "the menu offers \"$(desktopKey "$recordingApp" Name)\"" \
    test "$(desktopKey "$recordingApp" Name)" = "Solvane avec enregistrement"
check "\"$(desktopKey "$replayApp" Name)\" opens CSV files, from \"Open with\" only" \
    test "$(desktopKey "$replayApp" MimeType)|$(desktopKey "$replayApp" NoDisplay)" = "text/csv;|true"
defaults="$(find "$stage" -name '*mimeapps.list')"
check "no package makes itself a default application${defaults:+: $defaults}" test -z "$defaults"
for file in usr/bin/solvane-record usr/bin/solvane-replay; do
    check "$file is executable" test -x "$stage/$file"
done
for file in "$stage"/usr/lib/solvane/{record,replay}/libQuelbin.so \
    "$stage"/usr/share/man/man1/{solvane-record,solvane-replay}.1.gz \
    "$stage"/usr/share/doc/solvane-recording/recording.md; do
    check "${file#"$stage"/} is there" test -e "$file"
done
recordings="$scratch/recordings"
SOLVANE_RECORD_DIR="$recordings" LC_ALL=fr_FR.UTF-8 QT_QPA_PLATFORM=offscreen LD_DEBUG=libs \
    LD_DEBUG_OUTPUT="$scratch/record" $(desktopKey "$recordingApp" Exec) >/dev/null 2>&1 &
recordPid=$!
pids+=("$recordPid")
for _ in $(seq 50); do # until a second of data is written, or the program ends
    if [ "$(cat "$recordings"/*.csv 2>/dev/null | grep -c ';donnees;')" -ge 5 ] ||
        ! kill -0 "$recordPid" 2>/dev/null; then
        break
    fi
    sleep 0.2
done
kill "$recordPid" 2>/dev/null || true
wait "$recordPid" 2>/dev/null || true
check "solvane-record loads the recording libQuelbin.so" \
    loadedFrom "$scratch/record" "$stage/usr/lib/solvane/record/libQuelbin.so"
check "solvane-record records the simulated module, the French way under fr_FR.UTF-8" \
    sh -c "grep -q '^[^;]*;donnees;[0-9]*;0;Temperature_four;Real4;4;.*;180,' '$recordings'/module-*.csv"
recording="$(ls "$recordings"/module-*.csv | head -n 1)"
QT_QPA_PLATFORM=offscreen LD_DEBUG=libs LD_DEBUG_OUTPUT="$scratch/replay" \
    $(desktopKey "$replayApp" Exec | sed "s|%f|$recording|") >/dev/null 2>&1 &
replayPid=$!
pids+=("$replayPid")
sleep 3
check "solvane-replay runs on the recording" kill -0 "$replayPid"
kill "$replayPid" 2>/dev/null || true
check "solvane-replay loads the replay libQuelbin.so" \
    loadedFrom "$scratch/replay" "$stage/usr/lib/solvane/replay/libQuelbin.so"

# The libsigrok library, when built: its own package, folder and launcher.
sigrok="$stage/usr/lib/solvane/sigrok/libQuelbin.so"
if [ -f "$build/solvane-sigrok_1.00_amd64.deb" ]; then
    check "usr/bin/solvane-sigrok is executable" test -x "$stage/usr/bin/solvane-sigrok"
    QT_QPA_PLATFORM=offscreen LD_DEBUG=libs LD_DEBUG_OUTPUT="$scratch/sigrok" \
        solvane-sigrok >/dev/null 2>&1 &
    sigrokPid=$!
    pids+=("$sigrokPid")
    for _ in $(seq 50); do # until the library is loaded or the program ends
        if loadedFrom "$scratch/sigrok" "$sigrok" || ! kill -0 "$sigrokPid" 2>/dev/null; then
            break
        fi
        sleep 0.2
    done
    kill "$sigrokPid" 2>/dev/null || true
    check "solvane-sigrok loads the libsigrok libQuelbin.so" loadedFrom "$scratch/sigrok" "$sigrok"
fi

agentDeb="$build/solvane-agent_1.00_amd64.deb"
if [ -f "$build/solvane-mqtt_1.00_amd64.deb" ]; then
    # The agent runs where no display is: neither it nor what it depends on
    # brings a package of the GUI.
    agentDepends="$(dpkg-deb -f "$agentDeb" Depends)"
    conversionDepends="$(dpkg-deb -f "$conversion" Depends)"
    agentDepends+="${conversionDepends:+, $conversionDepends}"
    if grep -qE 'libqt6(gui|widgets|dbus)|(^|, )solvane \(' <<<"$agentDepends"; then
        fail "solvane-agent depends on no GUI package: $agentDepends"
    else
        pass "solvane-agent depends on no GUI package ($agentDepends)"
    fi
    for file in "$stage"/usr/bin/{solvane-agent,solvane-mqtt} \
        "$stage"/usr/lib/solvane/mqtt/libQuelbin.so "$stage"/lib/systemd/system/solvane-agent.service \
        "$stage"/usr/share/man/man1/{solvane-agent,solvane-mqtt}.1.gz; do
        check "${file#"$stage"/} is there" test -e "$file"
    done
    check "the agent's manual page reads without warnings" \
        sh -c "man --warnings -E UTF-8 -l '$stage/usr/share/man/man1/solvane-agent.1.gz' 2>&1 >/dev/null | (! grep .)"
    check "solvane-agent --help lists --allow-commands" \
        sh -c "'$stage/usr/bin/solvane-agent' --help | grep -q -- --allow-commands"
    check "solvane-agent refuses a module name with a wildcard (status 2)" \
        sh -c "'$stage/usr/bin/solvane-agent' --broker mqtt://127.0.0.1 --module 'a/#' 2>/dev/null; test \$? -eq 2"
    check "solvane-agent refuses a missing password file at once (status 2)" \
        sh -c "timeout 10 '$stage/usr/bin/solvane-agent' --broker mqtts://127.0.0.1 --module m --username u --password-file /nonexistent 2>/dev/null; test \$? -eq 2"
    check "/etc/default/solvane-agent is a configuration file of the package" \
        sh -c "dpkg-deb -I '$agentDeb' conffiles | grep -qx /etc/default/solvane-agent"
    check "the unit reads the password through systemd's credentials" \
        grep -q '^LoadCredential=mqtt-password:/etc/solvane/agent.pw' "$stage/lib/systemd/system/solvane-agent.service"

    # The broker's set-up as docs/remote.md writes it, in a folder of its
    # own: the certificates made by the shipped script, the three users, the
    # shipped configuration and rules (paths moved, a free loopback port),
    # the packaged agent on the simulated module as agent-bench-3, read back
    # by operator-alice. The broker reads its files as the user mosquitto.
    examples="$stage/usr/share/doc/solvane-agent/examples"
    setup="$scratch/broker"
    chmod 755 "$scratch"
    mkdir -m 755 "$setup"
    sh "$examples/make-broker-certificates.sh" localhost "$setup/certs" >/dev/null 2>&1
    for user in agent-bench-3 operator-alice viewer-lab; do
        mosquitto_passwd $([ -f "$setup/passwd" ] || echo -c) -b "$setup/passwd" "$user" "$user-pw"
    done
    cp "$examples/solvane-acl" "$setup/acl"
    port=$((20000 + RANDOM % 20000))
    sed -e "s#/etc/mosquitto/certs#$setup/certs#" -e "s#/etc/mosquitto/solvane-passwd#$setup/passwd#" \
        -e "s#/etc/mosquitto/solvane-acl#$setup/acl#" -e "s#^listener 8883\$#listener $port 127.0.0.1#" \
        -e "s#^persistence true#persistence false#" "$examples/mosquitto-solvane.conf" >"$setup/conf"
    mosquitto -c "$setup/conf" >"$setup/log" 2>&1 &
    pids+=($!)
    printf 'agent-bench-3-pw\n' >"$setup/agent.pw"
    chmod 600 "$setup/agent.pw"
    sleep 1
    LD_LIBRARY_PATH="$simulation:$systemLib" "$stage/usr/bin/solvane-agent" \
        --broker "mqtts://localhost:$port" --module bench-3 --username agent-bench-3 \
        --password-file "$setup/agent.pw" --cafile "$setup/certs/ca.crt" 2>"$setup/agent.err" &
    pids+=($!)
    state="$(timeout 20 mosquitto_sub -h localhost -p "$port" --cafile "$setup/certs/ca.crt" \
        -u operator-alice -P operator-alice-pw -t solvane/bench-3/state -C 1 -W 15 || true)"
    if grep -q '"commands":\["D' <<<"$state"; then
        pass "the documented broker set-up: agent-bench-3 publishes bench-3 over TLS, operator-alice reads it"
    else
        fail "the documented broker set-up: $(cat "$setup/log" "$setup/agent.err")"
    fi
    check "the packaged broker configuration opens no plain listener" \
        sh -c "! grep -q 'port 1883' '$setup/log'"
fi

echo "check-package: packages in $build"
echo "check-package: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
