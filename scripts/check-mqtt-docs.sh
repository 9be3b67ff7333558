#!/usr/bin/env bash
# Checks that the documents of the remote set-up agree with the packaged
# examples, so that the recipe works as written: one module name everywhere,
# every user the documents name has its access rules, the agent's user may
# write its module's topics, and only the topics the agent and library use
# are named. Prints one line per check; exits 1 if any failed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

acl=packaging/mqtt/solvane-acl
documents=(README.md docs/remote.md docs/mqtt.md packaging/linux/solvane-agent.1.in
    packaging/linux/solvane-agent.default packaging/mqtt/README.md
    packaging/mqtt/mosquitto-solvane.conf packaging/windows/LISEZMOI.txt
    "packaging/windows/connexion-exemple.cmd" "packaging/windows/Lancer le module distant.cmd")
failures=0
check() { # check <description> <command>...
    local what="$1"
    shift
    if "$@"; then
        echo "check-mqtt-docs: ok: $what"
    else
        echo "check-mqtt-docs: FAILED: $what" >&2
        failures=$((failures + 1))
    fi
}
# The documents as plain text: roff's escaped hyphens and line joins undone.
text() { sed -e 's/\\-/-/g' -e 's/\\e$//' -e 's/\r$//' "${documents[@]}"; }
name='[A-Za-z0-9._-]+'
# Topic names, not paths such as /usr/lib/solvane/simulation/.
topicNames() { text | grep -oE "(^|[^/A-Za-z])solvane/($name|<module>|\+)/[a-z]+" | grep -oE 'solvane/.*'; }
distinct() { sort -u | paste -sd' ' -; }

modules="$({
    text | grep -oE -- "--module +$name" | awk '{print $2}'
    topicNames | cut -d/ -f2
    text | grep -oE "mqtts?://[^/ ]+/$name" | sed 's#.*/##'
} | grep -vxE 'NAME|MODULE|<module>|\+' | distinct)"
check "one module name in the documents ($modules)" test "$(wc -w <<<"$modules")" -eq 1

users="$({
    text | grep -oE -- "--username +$name" | awk '{print $2}'
    text | grep -oE "SOLVANE_MQTT_USERNAME=$name" | cut -d= -f2
    text | grep -oE "mosquitto_passwd .*solvane-passwd +$name" | awk '{print $NF}'
} | grep -vxE 'NAME|\.+' | distinct)"
ruled="$(sed -n 's/^user //p' "$acl" | distinct)"
check "the users named ($users) are those of the access rules ($ruled)" test "$users" = "$ruled"

for user in $(sed -n 's/^user \(agent-.*\)/\1/p' "$acl"); do
    rule="$(sed -n "/^user $user\$/,/^user /s#^topic readwrite solvane/\\(.*\\)/\\#\$#\\1#p" "$acl")"
    check "$user writes the topics of the documents' module ($rule)" test "$rule" = "$modules"
done

topics="$(topicNames | sed 's#.*/##' | distinct)"
check "the topics named ($topics) are the agent's" \
    sh -c "echo '$topics' | tr ' ' '\n' | grep -qvxE 'agent|command|poll|state|status' && exit 1 || exit 0"

[ "$failures" -eq 0 ]
