#!/usr/bin/env bash
# Prints what the weather program costs while idle, under Wine against the local demo services:
# its private memory after the first full refresh (the alarm notice that refresh brings up gone)
# beside that of a bare Win32 window in the same prefix and run, and its processor time over 20
# idle seconds. A developer's measurement, not a test; run it while no test suite is using the
# tree's prefix (the program runs as a single instance).
#   tools/footprint.sh [TREE]   TREE: win32 (default) or win64, built with tools/build.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. tools/wine-env.sh
tree=${1:-win32}
build="$root/build/$tree"
[ -f "$build/tests/FootprintProbe.exe" ] || { echo "build $tree first (tools/build.sh $tree)" >&2; exit 1; }
skyvane_wine_env "$build"
skyvane_ensure_display
skyvane_ensure_prefix "$build"

run=$(mktemp -d)
cp "$build"/bin/Skyvane.exe "$build"/bin/VeneerCore.dll "$build/tests/FootprintProbe.exe" "$run"/
cleanup() {
    [ -n "${skyvane_service_pid:-}" ] && kill "$skyvane_service_pid" 2>/dev/null || true
    rm -rf "$run"
    # This trap replaces the one the display's start set.
    skyvane_stop_display "${skyvane_xvfb_pid:-}"
}
trap cleanup EXIT

skyvane_start_services "$run"
http_port=$SKYVANE_FIXTURE_HTTP_PORT
python3 tests/fixtures/load-demo-routes.py "$http_port" tests/fixtures/demo

# The processor time (user and system, in clock ticks) of the Wine process whose command line is
# the program in this run directory; every thread of it counts.
program=$(winepath_of "$run/Skyvane.exe")
cpu_ticks() {
    local p
    for p in /proc/[0-9]*; do
        if [ "$(tr -d '\0' 2>/dev/null <"$p/cmdline")" = "$program" ]; then
            awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "$p/stat"
            return 0
        fi
    done
    echo "no process runs $program" >&2
    return 1
}

echo "Tree $tree ($WINEARCH Wine)"
"$WINELOADER" "$run/FootprintProbe.exe" "$program" 2>/dev/null | while IFS= read -r line; do
    line=${line%$'\r'}
    echo "$line"
    case $line in
        "idle for "*)
            seconds=${line#idle for }
            seconds=${seconds% s}
            before=$(cpu_ticks)
            sleep "$seconds"
            after=$(cpu_ticks)
            awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$seconds" \
                'BEGIN { printf "CPU time over %d idle seconds:  %.2f s\n", s, t / hz }'
            ;;
    esac
done
