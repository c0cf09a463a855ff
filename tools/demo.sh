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
    python3 tests/fixtures/service.py --ports-file "$run/ports" \
        --cert "$SKYVANE_CERTS/localhost.pem" --key "$SKYVANE_CERTS/localhost.key" \
        >"$run/service.log" 2>&1 &
    pids+=($!)
    for i in $(seq 1 200); do [ -f "$run/ports" ] && break; sleep 0.05; done
    read -r http_port https_port <"$run/ports"
    python3 tests/fixtures/load-demo-routes.py "$http_port" tests/fixtures/demo
    export SKYVANE_GEO_HOST="http://127.0.0.1:$http_port"
    export SKYVANE_WEATHER_HOST="https://localhost:$https_port"
    export SKYVANE_SHARE_HOST="https://localhost:$https_port"
    export SKYVANE_DOWNLOAD_HOST="https://localhost:$https_port/"
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
