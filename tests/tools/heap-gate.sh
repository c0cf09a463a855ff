#!/usr/bin/env bash
# Shows that the gate every Windows test passes through can fail: small programs of our own run
# through tools/wine-run.sh exactly as ctest runs each Windows test, and a run that misused the
# heap, or whose test program could not watch what it starts, must fail with the reason shown,
# while a clean one must pass. A gate that let these through would let the same faults in the
# real programs through as well.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${SKYVANE_BUILD_DIR:?SKYVANE_BUILD_DIR must name the build tree}
run="$here/../../tools/wine-run.sh"

# program | argument | environment | the run must | a line it must show
cases=(
    "HeapProbe.exe|clean||pass|heap probe: clean done"
    "HeapProbe.exe|tail-validated||fail|err:heap:.*invalid block tail"
    "HeapProbe.exe|freed-twice||fail|warn:heap:"
    "JobProbe.exe|||pass|PASSED"
    "JobProbe.exe||SKYVANE_TEST_JOB_REFUSED=1|fail|could not put itself into a job"
)

failures=0
for row in "${cases[@]}"; do
    IFS='|' read -r program argument environment expected shown <<<"$row"
    out=$(env SKYVANE_HEAP_CHECK=1 ${environment:+"$environment"} "$run" \
        "$build/tests/$program" ${argument:+"$argument"} 2>&1)
    rc=$?
    verdict=ok
    if [ "$expected" = pass ] && [ $rc -ne 0 ]; then
        verdict="failed (exit code $rc) where it must pass"
    elif [ "$expected" = fail ] && [ $rc -eq 0 ]; then
        verdict="passed where it must fail"
    elif ! grep -aqE -- "$shown" <<<"$out"; then
        verdict="did not show \"$shown\""
    elif [ "$program" = HeapProbe.exe ] && ! grep -aq "heap probe: $argument done" <<<"$out"; then
        # The probe must reach its end: a crash would fail the run for another reason.
        verdict="the probe did not reach its end"
    fi
    label="$program${argument:+ $argument}${environment:+ ($environment)}"
    if [ "$verdict" = ok ]; then
        echo "ok: $label must $expected, and did"
    else
        echo "FAILED: $label $verdict; its output:"
        echo "$out"
        failures=$((failures + 1))
    fi
done
[ $failures -eq 0 ]
