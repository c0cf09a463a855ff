#!/usr/bin/env bash
# Builds everything and runs every test: the native tests under the sanitizers, then the
# Windows tests under Wine with one shared test display. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/setup.sh
bash tools/check-format.sh
bash tools/build.sh native win64 win32

. tools/wine-env.sh
skyvane_ensure_display

status=0
ctest --test-dir build/native -j"$(nproc)" --output-on-failure --no-tests=error || status=1
bash tools/fuzz.sh 30 || status=1
# The Windows tests run on the shipped 32-bit build; a machine that cannot execute 32-bit code
# runs them on the 64-bit build of the same sources.
windows_tree=build/$(skyvane_windows_tree)
[ "$windows_tree" = build/win64 ] &&
    echo "This machine cannot run the 32-bit Wine: testing the 64-bit build instead."
ctest --test-dir "$windows_tree" -j"$(nproc)" --output-on-failure --no-tests=error || status=1
exit $status
