#!/bin/sh
# Signs a Windows executable in place: Authenticode, SHA-256, offline. The
# signing time is SOURCE_DATE_EPOCH when set, else the time of the last
# commit, so a signed build can be reproduced too.
#
# usage: tools/sign.sh EXE CERT_PEM KEY_PEM
set -eu
exe=$1 cert=$2 key=$3
time=${SOURCE_DATE_EPOCH:-$(git -C "$(dirname "$0")" log -1 --format=%ct)}
rm -f "$exe.signed"
osslsigncode sign -certs "$cert" -key "$key" -n "Quillmesh Connector" -h sha256 \
    -time "$time" -in "$exe" -out "$exe.signed" >"$exe.sign.log" 2>&1 ||
    { cat "$exe.sign.log" >&2; exit 1; }
mv -f "$exe.signed" "$exe"
rm -f "$exe.sign.log"
