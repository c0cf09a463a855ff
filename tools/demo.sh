#!/usr/bin/env bash
# Builds the weather application and runs it under Wine. Without a working connection to the
# real services it runs against local demo services (tests/fixtures/demo) instead. With no
# display set it uses a private Xvfb and saves what the screen shows to build/demo.png every
# few seconds. Ends when the program ends (or with Ctrl-C).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/setup.sh
. tools/wine-env.sh
tree=$(skyvane_windows_tree)
bash tools/build.sh "$tree"
build="$root/build/$tree"
skyvane_wine_env "$build"
had_display=${DISPLAY:-}
skyvane_ensure_display
skyvane_ensure_prefix "$build"

run=$(mktemp -d)
cp "$build"/bin/*.exe "$run"/
[ -f "$build/bin/VeneerCore.dll" ] && cp "$build/bin/VeneerCore.dll" "$run"/
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$run"
}
trap cleanup EXIT

if timeout 3 bash -c '</dev/tcp/ip-api.com/80' 2>/dev/null; then
    echo "Using the real services."
else
    echo "No connection to the real services: using the local demo services."
    skyvane_start_services "$run"
    pids+=("$skyvane_service_pid")
    http_port=$SKYVANE_FIXTURE_HTTP_PORT
    python3 tests/fixtures/load-demo-routes.py "$http_port" tests/fixtures/demo
fi

if [ -z "$had_display" ]; then
    (while sleep 3; do
        import -display "$DISPLAY" -window root "$root/build/demo.png" 2>/dev/null || true
    done) &
    pids+=($!)
    echo "No display: screenshots go to build/demo.png"
fi
echo "Running Skyvane.exe from $run"
(cd "$run" && "$WINELOADER" Skyvane.exe)
