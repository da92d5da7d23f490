#!/usr/bin/env bash
# Signs copies of the stand-in installer the ways the tests need:
#   test_publisher.exe   signed by "Vistrel Test Publisher" (leaf of a test CA)
#   encoder_publisher.exe signed by a test CA's leaf named like the encoder's publisher
#   other_publisher.exe  self-signed by "Mallory"
#   tampered.exe         test_publisher.exe with one byte of its code changed
#   unsigned.exe         the program as built
# Usage: make_fixtures.sh <installer.exe> <output folder>
set -euo pipefail
in="$1"
out="$2"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

quiet() { "$@" >/dev/null 2>&1 || { echo "make_fixtures: failed: $*" >&2; exit 1; }; }

quiet openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Vistrel Test CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign" \
    -keyout "$tmp/ca.key" -out "$tmp/ca.pem"
printf 'basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\nextendedKeyUsage=codeSigning\n' > "$tmp/leaf.ext"

# sign <output name> <common name> [self]
sign() {
    local name="$1" cn="$2"
    if [ "${3:-}" = self ]; then
        quiet openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=$cn" \
            -addext "extendedKeyUsage=codeSigning" -keyout "$tmp/$name.key" -out "$tmp/$name.pem"
        quiet osslsigncode sign -certs "$tmp/$name.pem" -key "$tmp/$name.key" -h sha256 \
            -in "$in" -out "$out/$name.exe.new"
    else
        quiet openssl req -newkey rsa:2048 -nodes -subj "/CN=$cn" -keyout "$tmp/$name.key" -out "$tmp/$name.csr"
        quiet openssl x509 -req -days 3650 -in "$tmp/$name.csr" -CA "$tmp/ca.pem" -CAkey "$tmp/ca.key" \
            -CAcreateserial -extfile "$tmp/leaf.ext" -out "$tmp/$name.pem"
        quiet osslsigncode sign -certs "$tmp/$name.pem" -ac "$tmp/ca.pem" -key "$tmp/$name.key" -h sha256 \
            -in "$in" -out "$out/$name.exe.new"
    fi
    mv -f "$out/$name.exe.new" "$out/$name.exe"
}

sign test_publisher "Vistrel Test Publisher"
sign encoder_publisher "Microsoft Corporation"
sign other_publisher "Mallory" self
cp -f "$in" "$out/unsigned.exe"
cp -f "$out/test_publisher.exe" "$out/tampered.exe"
# One byte of the code (the first section starts at 0x400), inverted, breaks the signed hash.
byte=$(od -An -tu1 -j $((0x600)) -N1 "$out/tampered.exe" | tr -d ' ')
printf "\\x$(printf %02x $((byte ^ 0xFF)))" | dd of="$out/tampered.exe" bs=1 seek=$((0x600)) conv=notrunc status=none
sha256sum "$out/test_publisher.exe" > "$out/test_publisher.exe.sha256"
touch "$out/stamp"
