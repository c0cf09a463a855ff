#!/usr/bin/env bash
# Makes the test certificate authority and a certificate for "localhost" signed by it, in the
# folder given. Nothing here is ever shipped; the authority is trusted only by the test prefix.
set -euo pipefail
dir=$1
[ -f "$dir/localhost.pem" ] && exit 0
mkdir -p "$dir"
cd "$dir"
openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Skyvane Test Authority" \
    -keyout ca.key -out ca.pem -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl x509 -in ca.pem -outform der -out ca.der
openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" -keyout localhost.key \
    -out localhost.csr 2>/dev/null
printf 'subjectAltName=DNS:localhost\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\nkeyUsage=digitalSignature,keyEncipherment\n' >ext.cnf
openssl x509 -req -in localhost.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 3650 \
    -extfile ext.cnf -out localhost.pem 2>/dev/null
