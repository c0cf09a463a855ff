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
skyvane_ensure_display "$build" || exit 1
skyvane_ensure_prefix "$build" || exit 1
"$skyvane_root/tools/make-test-certs.sh" "$SKYVANE_CERTS" || exit 1

work=$(mktemp -d)
cleanup() {
    [ -n "${skyvane_service_pid:-}" ] && kill "$skyvane_service_pid" 2>/dev/null
    rm -rf "$work"
    skyvane_stop_display "${skyvane_xvfb_pid:-}"
}
trap cleanup EXIT

skyvane_start_services "$work" \
    --untrusted-cert "$SKYVANE_CERTS/untrusted-localhost.pem" \
    --untrusted-key "$SKYVANE_CERTS/untrusted-localhost.key" || exit 1

# SKYVANE_HEAP_CHECK=1: Wine checks every heap call of the program and of the programs it
# starts, and a misused block (a free of freed memory, say) fails the run even when nothing
# crashed, since on a user's machine the same call may corrupt the heap. Both classes are named:
# after "-all" a channel gets only the classes listed, and a damaged block that Wine finds when
# it validates one (an overwritten tail, say) is reported as an err, not a warn.
if [ "${SKYVANE_HEAP_CHECK:-}" = 1 ]; then
    export WINEDEBUG="$WINEDEBUG,err+heap,warn+heap"
fi

"$WINELOADER" "$exe" "$@" >"$work/out" 2>"$work/err"
rc=$?
cat "$work/out"

if [ "${SKYVANE_HEAP_CHECK:-}" = 1 ] && grep -aq ':heap:' "$work/err"; then
    echo "--- Wine's heap check found misused blocks:"
    grep -a ':heap:' "$work/err"
    [ $rc -eq 0 ] && rc=1
fi

# SKYVANE_CHECK_LEFTOVERS is set for the tests that run alone on the display: every program
# of the system still running in the prefix after one of them is that test's leftover. Those
# that the test program's job is ending are given a moment to go.
if [ "${SKYVANE_CHECK_LEFTOVERS:-}" = 1 ]; then
    left=$(skyvane_running_programs)
    for _ in $(seq 1 40); do
        [ -z "$left" ] && break
        sleep 0.05
        left=$(skyvane_running_programs)
    done
    if [ -n "$left" ]; then
        while read -r pid name; do
            echo "LEFTOVER: $name (process $pid) still running after the test; ended it"
            kill -KILL "$pid" 2>/dev/null
        done <<<"$left"
        [ $rc -eq 0 ] && rc=1
    fi
fi

if [ $rc -ne 0 ]; then
    grep -q '^wine: Unhandled' "$work/err" && echo "--- a program crashed (Wine's report below)"
    echo "--- exit code $rc; Wine's output:"
    cat "$work/err"
    echo "--- service fixture:"
    cat "$work/service.log"
fi
exit $rc
