#!/usr/bin/env bash
# Installs every Debian package that building and testing Skyvane needs. Safe to run again:
# when everything is already there it only checks and returns within a second or two.
set -euo pipefail

packages=(
    cmake ninja-build g++ python3 openssl
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    libz-mingw-w64-dev
    wine wine64 wine32:i386
    xvfb xauth x11-utils imagemagick python3-pil
    fonts-wqy-microhei
    libgtest-dev googletest libbenchmark-dev
    dpkg-dev locales clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

# The zip reader of minizip is not packaged for MinGW, so the build compiles it from the zlib
# source package; that needs a deb-src line for the mirror this machine already uses.
need_src=0
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    need_src=1
fi

# The 32-bit Wine comes from the i386 side of the archive.
need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

# Wine takes the ANSI code page from the Chinese locale, which glibc must have generated.
need_locale=0
locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' || need_locale=1

if [ ${#missing[@]} -eq 0 ] && [ $need_src -eq 0 ] && [ $need_i386 -eq 0 ] &&
    [ $need_locale -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "setup: run as root to install: ${missing[*]}" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
[ $need_i386 -eq 1 ] && dpkg --add-architecture i386
if [ $need_src -eq 1 ]; then
    src=/etc/apt/sources.list.d/debian.sources
    if [ -f "$src" ]; then
        sed -e 's/^Types: deb$/Types: deb-src/' "$src" >/etc/apt/sources.list.d/skyvane-src.sources
    else
        grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >/etc/apt/sources.list.d/skyvane-src.list
    fi
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
if [ $need_locale -eq 1 ]; then
    sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null
fi
