#!/usr/bin/env bash
# The MQTT tests' broker: mosquitto on the loopback, TLS only, with
# certificates, users and access rules made at start. Users: "agent" (writes
# the module's topics), "operator" (reads them, may send commands), "viewer"
# (reads only); each password is the user name followed by "-pw".
#   testbroker.sh prepare FOLDER PORT
#       writes into FOLDER the certificates (ca.crt signed the broker's,
#       other-ca.crt nothing of it), the users, the rules and mosquitto.conf
#       for a listener on 127.0.0.1:PORT. The Linux tests start mosquitto
#       on it themselves, to stop, restart and freeze it.
#   testbroker.sh run COMMAND...
#       prepares a temporary folder, starts mosquitto on a free port, runs
#       COMMAND with SOLVANE_TEST_BROKER_PORT and SOLVANE_TEST_BROKER_DIR
#       set, then stops the broker and removes the folder, whatever COMMAND
#       did; exits with COMMAND's status. For the Windows tests, which
#       cannot start a Linux program.
set -euo pipefail

prepare() {
    local folder="$1" port="$2"
    local key=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
    local ca
    for ca in ca other-ca; do
        openssl req -x509 "${key[@]}" -keyout "$folder/$ca.key" -out "$folder/$ca.crt" \
            -days 2 -subj "/CN=Test $ca" 2>/dev/null
    done
    echo "subjectAltName=IP:127.0.0.1,DNS:localhost" >"$folder/server.ext"
    openssl req "${key[@]}" -keyout "$folder/server.key" -out "$folder/server.csr" \
        -subj /CN=localhost 2>/dev/null
    openssl x509 -req -in "$folder/server.csr" -CA "$folder/ca.crt" -CAkey "$folder/ca.key" \
        -CAcreateserial -out "$folder/server.crt" -days 2 -extfile "$folder/server.ext" 2>/dev/null

    : >"$folder/passwd"
    local user
    for user in agent operator viewer; do
        mosquitto_passwd -b "$folder/passwd" "$user" "$user-pw"
    done
    printf '%s\n' "user agent" "topic readwrite solvane/#" \
        "user operator" "topic read solvane/#" "topic write solvane/+/command" \
        "user viewer" "topic read solvane/#" >"$folder/acl"
    # "user root" is only read when run as root: it keeps the files readable.
    printf '%s\n' "per_listener_settings false" "allow_anonymous false" \
        "password_file $folder/passwd" "acl_file $folder/acl" \
        "persistence false" "log_dest none" "user root" \
        "listener $port 127.0.0.1" "cafile $folder/ca.crt" \
        "certfile $folder/server.crt" "keyfile $folder/server.key" >"$folder/mosquitto.conf"
}

listening() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

folder=""
broker=""
stop() {
    if [ -n "$broker" ]; then
        kill "$broker" 2>/dev/null || true
        wait "$broker" 2>/dev/null || true
    fi
    broker=""
}

run() {
    local port attempt
    folder="$(mktemp -d)"
    trap 'stop; rm -rf "$folder"' EXIT
    # A port nobody listens on; mosquitto exits at once if another program
    # takes it first, and the next try picks another.
    for attempt in 1 2 3 4 5; do
        port=$((20000 + RANDOM % 40000))
        listening "$port" && continue
        prepare "$folder" "$port"
        mosquitto -c "$folder/mosquitto.conf" >/dev/null 2>&1 &
        broker=$!
        for _ in $(seq 100); do
            listening "$port" && break
            kill -0 "$broker" 2>/dev/null || break
            sleep 0.05
        done
        if listening "$port" && kill -0 "$broker" 2>/dev/null; then
            break
        fi
        stop
    done
    if [ -z "$broker" ]; then
        echo "testbroker.sh: mosquitto does not start" >&2
        exit 1
    fi
    export SOLVANE_TEST_BROKER_PORT="$port" SOLVANE_TEST_BROKER_DIR="$folder"
    local status=0
    "$@" || status=$?
    exit "$status"
}

case "${1:-}" in
prepare) prepare "$2" "$3" ;;
run)
    shift
    run "$@"
    ;;
*)
    echo "usage: testbroker.sh prepare FOLDER PORT | run COMMAND..." >&2
    exit 2
    ;;
esac
