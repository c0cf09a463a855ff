#!/usr/bin/env bash
# Configures and builds the three build trees:
#   build/native  the pure logic and its tests, with AddressSanitizer and UBSan
#   build/win64   the Windows programs and tests as run under the 64-bit Wine
#   build/win32   the Windows programs as they ship (32-bit)
#   build/bench   the pure logic optimised and without sanitizers, with the benchmarks
# Arguments name the trees to build (default: all three).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
trees=("$@")
[ ${#trees[@]} -eq 0 ] && trees=(native win64 win32)
for tree in "${trees[@]}"; do
    case $tree in
        native) args=(-DCMAKE_BUILD_TYPE=Debug) ;;
        bench) args=(-DCMAKE_BUILD_TYPE=Release -DSKYVANE_SANITIZE=OFF) ;;
        win64) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake) ;;
        win32) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake) ;;
        *) echo "unknown build tree: $tree" >&2; exit 2 ;;
    esac
    if [ ! -f "build/$tree/build.ninja" ]; then
        cmake -S . -B "build/$tree" -G Ninja "${args[@]}" >/dev/null ||
            { echo "build.sh: configuring build/$tree failed" >&2; exit 1; }
    fi
    # Ninja's progress lines are dropped; what a failing step printed stays. The build's own
    # status decides: grep finding nothing left to print is no failure.
    if ! cmake --build "build/$tree" -- -j"$(nproc)" | { grep -v '^\[' || true; }; then
        echo "build.sh: building build/$tree failed" >&2
        exit 1
    fi
done
