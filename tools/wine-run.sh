#!/usr/bin/env bash
# Runs one Windows program under Wine with the local service fixture beside it:
#   wine-run.sh PROGRAM.exe [ARGUMENTS...]
# SKYVANE_BUILD_DIR names the build tree (its prefix and certificates). The fixture's ports
# reach the program as SKYVANE_FIXTURE_HTTP_PORT and SKYVANE_FIXTURE_HTTPS_PORT (and the HTTPS
# port whose certificate the prefix does not trust as SKYVANE_FIXTURE_UNTRUSTED_PORT), and
# every service address points at it. Wine's own output is shown only when the program fails.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
build=${SKYVANE_BUILD_DIR:?SKYVANE_BUILD_DIR must name the build tree}
exe=$1
shift

skyvane_wine_env "$build"
skyvane_ensure_display || exit 1
skyvane_ensure_prefix "$build" || exit 1
"$skyvane_root/tools/make-test-certs.sh" "$SKYVANE_CERTS" || exit 1

work=$(mktemp -d)
cleanup() {
    [ -n "${fixture_pid:-}" ] && kill "$fixture_pid" 2>/dev/null
    rm -rf "$work"
    [ -n "${skyvane_xvfb_pid:-}" ] && kill "$skyvane_xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

python3 "$skyvane_root/tests/fixtures/service.py" --ports-file "$work/ports" \
    --cert "$SKYVANE_CERTS/localhost.pem" --key "$SKYVANE_CERTS/localhost.key" \
    --untrusted-cert "$SKYVANE_CERTS/untrusted-localhost.pem" \
    --untrusted-key "$SKYVANE_CERTS/untrusted-localhost.key" \
    >"$work/fixture.log" 2>&1 &
fixture_pid=$!
for i in $(seq 1 200); do
    [ -f "$work/ports" ] && break
    sleep 0.05
done
if [ ! -f "$work/ports" ]; then
    echo "the service fixture did not start"; cat "$work/fixture.log"; exit 1
fi
read -r http_port https_port untrusted_port <"$work/ports"
export SKYVANE_FIXTURE_HTTP_PORT=$http_port SKYVANE_FIXTURE_HTTPS_PORT=$https_port
export SKYVANE_FIXTURE_UNTRUSTED_PORT=$untrusted_port
export SKYVANE_GEO_HOST="http://127.0.0.1:$http_port"
export SKYVANE_WEATHER_HOST="https://localhost:$https_port"
export SKYVANE_SHARE_HOST="https://localhost:$https_port"
export SKYVANE_DOWNLOAD_HOST="https://localhost:$https_port/"

"$WINELOADER" "$exe" "$@" >"$work/out" 2>"$work/err"
rc=$?
cat "$work/out"
if [ $rc -ne 0 ]; then
    echo "--- exit code $rc; Wine's output:"
    cat "$work/err"
    echo "--- service fixture:"
    cat "$work/fixture.log"
fi
exit $rc
