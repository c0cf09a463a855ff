#!/usr/bin/env bash
# Puts the zip reader of zlib's contributed minizip into DEST (unzip.c, ioapi.c and their
# headers), taken from Debian's zlib source package. MinGW has zlib packaged but not minizip,
# and the sources are not kept in the repository.
#   fetch-minizip.sh DEST
set -euo pipefail
dest=$1
files=(unzip.c unzip.h ioapi.c ioapi.h crypt.h)
present=1
for f in "${files[@]}"; do
    [ -f "$dest/$f" ] || present=0
done
[ $present -eq 1 ] && exit 0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# The candidate version first, then every version the source lists know: a mirror may no
# longer serve the newest one.
fetch() {
    local version
    for version in "" $(apt-cache showsrc zlib 2>/dev/null | sed -n 's/^Version: //p' | sort -ruV); do
        if apt-get source -qq "zlib${version:+=$version}" >"$work/log" 2>&1; then
            return 0
        fi
        rm -rf "$work"/zlib*
    done
    return 1
}
fetched=0
if fetch; then
    fetched=1
elif [ "$(id -u)" -eq 0 ] && apt-get update -qq >/dev/null 2>&1 && fetch; then
    # The source lists had not been read since the deb-src line was added.
    fetched=1
fi
if [ $fetched -eq 0 ]; then
    echo "fetch-minizip: apt-get source zlib failed (is a deb-src line set? see tools/setup.sh)" >&2
    cat "$work/log" >&2
    exit 1
fi
src=$(ls -d "$work"/zlib-*/contrib/minizip | head -n 1)
mkdir -p "$dest"
for f in "${files[@]}"; do
    cp "$src/$f" "$dest/$f"
done
