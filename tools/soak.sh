#!/usr/bin/env bash
# Reruns the whole Windows test suite several times on the warm build tree this machine tests
# (build/win32, or build/win64 where 32-bit code cannot run), the way tools/test.sh runs it once,
# and says how many runs passed. A suite that is green once but not every time has a flaky test:
# run this before you stop.
#   tools/soak.sh [RUNS] [CTEST ARGUMENTS...]    (default 10 runs; e.g. tools/soak.sh 5 -R Engine)
# The output of each failing run is kept in build/soak/run-N.log.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${1:-10}
shift || true
case $runs in
    '' | *[!0-9]*) echo "usage: tools/soak.sh [RUNS] [CTEST ARGUMENTS...]" >&2; exit 2 ;;
esac

. tools/wine-env.sh
tree=$(skyvane_windows_tree)
bash tools/build.sh "$tree" || exit 1
skyvane_ensure_display || exit 1

logs=build/soak
rm -rf "$logs"
mkdir -p "$logs"
passed=0
failed=0
for run in $(seq 1 "$runs"); do
    start=$(date +%s)
    log="$logs/run-$run.log"
    if ctest --test-dir "build/$tree" -j"$(nproc)" --output-on-failure --no-tests=error "$@" >"$log" 2>&1; then
        passed=$((passed + 1))
        result=passed
        rm -f "$log"
    else
        failed=$((failed + 1))
        names=$(grep -E '^[[:space:]]+[0-9]+ - ' "$log" | sed -E 's/^[[:space:]]+[0-9]+ - //' | tr '\n' ' ')
        # A run that failed with no failing test (none found, say) says what ctest said.
        [ -n "$names" ] || names="$(grep -v -e '^[[:space:]]*$' -e '^Errors while running CTest' "$log" | tail -n 1) "
        result="FAILED: $names(see $log)"
    fi
    echo "run $run of $runs: $result in $(($(date +%s) - start)) s"
done
echo "soak on build/$tree: $passed of $runs runs passed, $failed failed"
[ "$failed" -eq 0 ]
