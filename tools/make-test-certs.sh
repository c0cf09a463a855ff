#!/usr/bin/env bash
# Makes the test certificate authority and a certificate for "localhost" signed by it, in the
# folder given. Nothing here is ever shipped; the authority is trusted only by the test prefix.
# A second authority, which nothing trusts, signs a second certificate for "localhost": a
# service that cannot prove who it is. Folders made before it existed get it on the next call.
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"

# Several tests may start at once; one of them makes what is missing.
exec 9>"$dir/.make-test-certs.lock"
flock 9

# A key and a certificate for "localhost", signed by the authority whose files begin with $1.
make_localhost() {
    local authority=$1 key=$2 cert=$3
    openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" -keyout "$key" \
        -out "$cert.csr" 2>/dev/null
    printf 'subjectAltName=DNS:localhost\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\nkeyUsage=digitalSignature,keyEncipherment\n' >"$cert.ext"
    openssl x509 -req -in "$cert.csr" -CA "$authority.pem" -CAkey "$authority.key" \
        -CAcreateserial -days 3650 -extfile "$cert.ext" -out "$cert" 2>/dev/null
}

make_authority() {
    local name=$1 files=$2
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=$name" \
        -keyout "$files.key" -out "$files.pem" -addext "basicConstraints=critical,CA:TRUE" \
        -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
}

if [ ! -f localhost.pem ]; then
    make_authority "Skyvane Test Authority" ca
    openssl x509 -in ca.pem -outform der -out ca.der
    make_localhost ca localhost.key localhost.pem
fi
if [ ! -f untrusted-localhost.pem ]; then
    make_authority "Skyvane Untrusted Authority" untrusted-ca
    make_localhost untrusted-ca untrusted-localhost.key untrusted-localhost.pem
fi
