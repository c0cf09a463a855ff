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
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
    rm -f "$record"
}

case ${1:-} in
    start)
        stop_recorded
        [ -n "${DISPLAY:-}" ] && exit 0
        number_file=$(mktemp) || exit 1
        # Its own session, so that it outlives this script and ctest's end of it.
        setsid Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$number_file" \
            >/dev/null 2>&1 </dev/null &
        pid=$!
        number=""
        for _ in $(seq 1 200); do
            read -r number <"$number_file"
            [ -n "$number" ] && break
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.05
        done
        rm -f "$number_file"
        if [ -z "$number" ]; then
            echo "the test display did not start" >&2
            exit 1
        fi
        echo "$number $pid" >"$record"
        ;;
    stop) stop_recorded ;;
    *)
        echo "usage: test-display.sh start|stop" >&2
        exit 2
        ;;
esac
