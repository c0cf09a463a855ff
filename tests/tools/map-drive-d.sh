#!/usr/bin/env bash
# Maps drive D: of the build tree's Wine prefix to a folder of the build tree, for the tests
# that need a second drive (a fresh prefix has only C: and Z:). Runs once before those tests.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/wine-env.sh"
build=${SKYVANE_BUILD_DIR:?SKYVANE_BUILD_DIR must name the build tree}
skyvane_wine_env "$build"
skyvane_ensure_display "$build"
skyvane_ensure_prefix "$build"
mkdir -p "$build/drive-d"
ln -sfn "$build/drive-d" "$WINEPREFIX/dosdevices/d:"
