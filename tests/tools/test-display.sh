#!/usr/bin/env bash
# The display that the Windows tests of one ctest run share when no display is set:
#   test-display.sh start   before the first of them
#   test-display.sh stop    after the last of them
# The tests share one Wine prefix, and its desktop process draws on the display of the test that
# started it: a display of each test's own would end under the others when that test ends. With
# a display set (tools/test.sh and tools/soak.sh set one), there is nothing to do.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/wine-env.sh"
build=${SKYVANE_BUILD_DIR:?SKYVANE_BUILD_DIR must name the build tree}
record="$build/test-display"

stop_recorded() {
    local number pid
    [ -f "$record" ] || return 0
    read -r number pid <"$record"
    skyvane_stop_display "${pid:-}"
    rm -f "$record"
}

case ${1:-} in
    start)
        stop_recorded
        [ -n "${DISPLAY:-}" ] && exit 0
        # A session left by a run that was stopped before its end is bound to that run's display.
        skyvane_end_wine_sessions
        # Its own session, so that it outlives this script and ctest's end of it.
        skyvane_start_xvfb setsid || exit 1
        echo "$skyvane_xvfb_number $skyvane_xvfb_pid" >"$record"
        ;;
    stop) stop_recorded ;;
    *)
        echo "usage: test-display.sh start|stop" >&2
        exit 2
        ;;
esac
