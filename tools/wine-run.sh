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
    [ -n "${skyvane_service_pid:-}" ] && kill "$skyvane_service_pid" 2>/dev/null
    rm -rf "$work"
    [ -n "${skyvane_xvfb_pid:-}" ] && kill "$skyvane_xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

skyvane_start_services "$work" \
    --untrusted-cert "$SKYVANE_CERTS/untrusted-localhost.pem" \
    --untrusted-key "$SKYVANE_CERTS/untrusted-localhost.key" || exit 1

"$WINELOADER" "$exe" "$@" >"$work/out" 2>"$work/err"
rc=$?
cat "$work/out"
if [ $rc -ne 0 ]; then
    echo "--- exit code $rc; Wine's output:"
    cat "$work/err"
    echo "--- service fixture:"
    cat "$work/service.log"
fi
exit $rc
