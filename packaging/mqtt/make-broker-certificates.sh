#!/bin/sh
# Makes a certificate authority and the broker's certificate and key for
# mosquitto-solvane.conf:
#   sudo sh make-broker-certificates.sh HOST [FOLDER]
# HOST is the name (or address) clients give in mqtts://HOST; FOLDER is
# /etc/mosquitto/certs by default. Writes ca.crt (give it to every client:
# --cafile, SOLVANE_MQTT_CAFILE), ca.key (keep it apart, it signs
# certificates), broker.crt and broker.key, the key readable by the broker's
# user (mosquitto) and root only. Run it again to renew them: it keeps an
# existing CA.
set -eu
if [ $# -lt 1 ]; then
    echo "usage: make-broker-certificates.sh HOST [FOLDER]" >&2
    exit 2
fi
host="$1"
folder="${2:-/etc/mosquitto/certs}"
days=825
# The broker reads its files as its own user: the folder must let it in.
mkdir -p -m 755 "$folder"
cd "$folder"
umask 077
if [ ! -f ca.key ]; then
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
        -keyout ca.key -out ca.crt -days 3650 -subj "/CN=Solvane broker CA"
fi
case "$host" in
*[!0-9.]*) altName="DNS:$host" ;;
*) altName="IP:$host" ;;
esac
openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
    -keyout broker.key -out broker.csr -subj "/CN=$host"
printf 'subjectAltName=%s\n' "$altName" >broker.ext
openssl x509 -req -in broker.csr -CA ca.crt -CAkey ca.key -CAcreateserial \
    -out broker.crt -days "$days" -extfile broker.ext
rm -f broker.csr broker.ext
chmod 644 ca.crt broker.crt
if getent group mosquitto >/dev/null; then
    chgrp mosquitto broker.key
    chmod 640 broker.key
fi
echo "make-broker-certificates: $folder/broker.crt names $altName; give $folder/ca.crt to the clients"
