# Sourced by the scripts that run Windows programs: one Wine prefix per build tree, the Chinese
# ANSI code page, a display, and the test authority trusted by the prefix.
#
# The shipped 32-bit build runs under the 32-bit Wine. Some test machines cannot execute 32-bit
# x86 code at all (not even under a WoW64 Wine); there the 64-bit build of the same sources runs
# under the 64-bit Wine instead (see skyvane_windows_tree).

skyvane_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

skyvane_is_win32_tree() {
    grep -qs '^CMAKE_TOOLCHAIN_FILE:.*mingw-i686' "$1/CMakeCache.txt"
}

# Whether this machine runs the 32-bit Wine (it needs the kernel's 32-bit support).
skyvane_can_run_win32() {
    [ -x /usr/lib/wine/wine ] && [ -x /usr/lib/wine/wineserver32 ] &&
        /usr/lib/wine/wine --version >/dev/null 2>&1
}

# The Windows build tree that this machine tests and runs: the shipped 32-bit build where the
# 32-bit Wine runs, else its 64-bit twin.
skyvane_windows_tree() {
    if skyvane_can_run_win32; then echo win32; else echo win64; fi
}

skyvane_wine_env() {
    local build=$1
    export WINEPREFIX="$build/wineprefix"
    # SKYVANE_WINEDEBUG lets a developer see Wine's own diagnostics while debugging a test.
    export WINEDEBUG=${SKYVANE_WINEDEBUG:--all}
    if skyvane_is_win32_tree "$build"; then
        export WINEARCH=win32
        export WINELOADER=/usr/lib/wine/wine
        export WINESERVER=/usr/lib/wine/wineserver32
    else
        export WINEARCH=win64
        export WINELOADER=/usr/lib/wine/wine64
        export WINESERVER=/usr/lib/wine/wineserver64
    fi
    # No Mono or Gecko installer, no desktop menu entries.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    # Code page 936 as on the users' machines (LANG alone is not enough without the glibc
    # locale).
    export LC_ALL=zh_CN.UTF-8
    export SKYVANE_CERTS="$build/testcerts"
}

# Starts an Xvfb on a display number that it picks itself and says, so that Xvfbs started at
# the same moment never pick the same one; leaves its process id in skyvane_xvfb_pid and its
# number in skyvane_xvfb_number. Arguments go before the command (setsid, to outlive the
# caller).
skyvane_start_xvfb() {
    local number_file
    skyvane_xvfb_number=""
    number_file=$(mktemp) || return 1
    "$@" Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$number_file" \
        >/dev/null 2>&1 </dev/null &
    skyvane_xvfb_pid=$!
    for _ in $(seq 1 200); do
        read -r skyvane_xvfb_number <"$number_file"
        [ -n "$skyvane_xvfb_number" ] && break
        kill -0 "$skyvane_xvfb_pid" 2>/dev/null || break
        sleep 0.05
    done
    rm -f "$number_file"
    if [ -z "$skyvane_xvfb_number" ]; then
        echo "the test display did not start" >&2
        return 1
    fi
}

# Ends the Wine session of every prefix of this checkout that has one. A prefix's desktop
# process draws on the display it was started on: a session that outlived its display would
# hand the next programs of that prefix a desktop on a display that is gone, and every window
# they open would fail, run after run, until the session ended.
skyvane_end_wine_sessions() {
    local prefix
    for prefix in "$skyvane_root"/build/*/wineprefix; do
        [ -d "$prefix" ] || continue
        (
            skyvane_wine_env "$(dirname "$prefix")"
            # -k fails when no session is running, which is fine.
            "$WINESERVER" -k 2>/dev/null || true
            "$WINESERVER" -w 2>/dev/null || true
        )
    done
    return 0
}

# Ends a display that this script started, once no Wine session is left on it.
skyvane_stop_display() {
    [ -n "${1:-}" ] || return 0
    skyvane_end_wine_sessions
    kill "$1" 2>/dev/null || true
}

# Makes sure a display is set: under ctest with none set, the one that the build tree's tests
# share (tests/tools/test-display.sh records it); else a private Xvfb, which ends with the
# calling shell.
#   skyvane_ensure_display [BUILD]
skyvane_ensure_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local shared
    if [ -n "${1:-}" ] && [ -f "$1/test-display" ]; then
        read -r shared _ <"$1/test-display"
        export DISPLAY=":$shared"
        return 0
    fi
    skyvane_start_xvfb || return 1
    export DISPLAY=":$skyvane_xvfb_number"
    trap 'skyvane_stop_display "$skyvane_xvfb_pid"' EXIT
}

# Creates the prefix on first use: boot, trust the test authority, map the font the windows
# ask for to the installed CJK font. Later calls only check a mark.
skyvane_ensure_prefix() {
    local build=$1
    [ -f "$WINEPREFIX/.skyvane-ready" ] && { skyvane_ensure_prefix_settings; return; }
    mkdir -p "$build"
    (
        flock 9
        [ -f "$WINEPREFIX/.skyvane-ready" ] && exit 0
        "$skyvane_root/tools/make-test-certs.sh" "$SKYVANE_CERTS" || exit 1
        "$WINELOADER" wineboot -i >"$build/wineboot.log" 2>&1 || { cat "$build/wineboot.log"; exit 1; }
        "$WINELOADER" "$build/tests/AddTestRoot.exe" "$(winepath_of "$SKYVANE_CERTS/ca.der")" \
            >>"$build/wineboot.log" 2>&1 || { echo "could not trust the test authority"; cat "$build/wineboot.log"; exit 1; }
        "$WINELOADER" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v '微软雅黑' \
            /d 'WenQuanYi Micro Hei' /f >>"$build/wineboot.log" 2>&1
        "$WINESERVER" -w
        touch "$WINEPREFIX/.skyvane-ready"
    ) 9>"$build/wineprefix.lock" || return 1
    skyvane_ensure_prefix_settings
}

# Settings of the prefix that its tests depend on; a prefix made before one of them was added
# gets it on its next use (the mark names the settings it has).
#   Managed=N: the test display has no window manager, and Wine waits 2 s for one at every hide
#     or destroy of a window it thinks managed; unmanaged windows go at once.
#   ShowCrashDialog=0: a program that crashes ends at once with a non-zero code, instead of
#     sitting in Wine's crash dialog on the shared display until the test's time-out.
skyvane_prefix_settings_mark=.skyvane-settings-2
skyvane_ensure_prefix_settings() {
    [ -f "$WINEPREFIX/$skyvane_prefix_settings_mark" ] && return 0
    (
        flock 9
        [ -f "$WINEPREFIX/$skyvane_prefix_settings_mark" ] && exit 0
        "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            >/dev/null 2>&1 || exit 1
        "$WINELOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD \
            /d 0 /f >/dev/null 2>&1 || exit 1
        "$WINESERVER" -w
        touch "$WINEPREFIX/$skyvane_prefix_settings_mark"
    ) 9>"$WINEPREFIX/.skyvane-settings.lock"
}

# Starts the local service fixture in the background, with its ports file and log in DIR, and
# points every service address at it; its process id is left in skyvane_service_pid. Further
# arguments go to the fixture. Fails, with the fixture's log shown, when it does not start.
skyvane_start_services() {
    local dir=$1
    shift
    python3 "$skyvane_root/tests/fixtures/service.py" --ports-file "$dir/ports" \
        --cert "$SKYVANE_CERTS/localhost.pem" --key "$SKYVANE_CERTS/localhost.key" "$@" \
        >"$dir/service.log" 2>&1 &
    skyvane_service_pid=$!
    local i
    for i in $(seq 1 200); do
        [ -f "$dir/ports" ] && break
        sleep 0.05
    done
    if [ ! -f "$dir/ports" ]; then
        echo "the service fixture did not start"
        cat "$dir/service.log"
        return 1
    fi
    local http https untrusted
    read -r http https untrusted <"$dir/ports"
    export SKYVANE_FIXTURE_HTTP_PORT=$http SKYVANE_FIXTURE_HTTPS_PORT=$https
    [ -n "$untrusted" ] && export SKYVANE_FIXTURE_UNTRUSTED_PORT=$untrusted
    export SKYVANE_GEO_HOST="http://127.0.0.1:$http"
    export SKYVANE_WEATHER_HOST="https://localhost:$https"
    export SKYVANE_SHARE_HOST="https://localhost:$https"
    export SKYVANE_DOWNLOAD_HOST="https://localhost:$https/"
}

# The system's programs running in this prefix, one "PID NAME" line each (Wine names a
# process after its executable and hands the prefix down in its environment).
skyvane_running_programs() {
    local proc name
    for proc in /proc/[0-9]*; do
        { read -r name <"$proc/comm"; } 2>/dev/null || continue
        case $name in
            Skyvane.exe | Fernhop.exe | Quillet.exe) ;;
            *) continue ;;
        esac
        # A process that has ended but not been reaped has no environment left.
        { tr '\0' '\n' <"$proc/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" ||
            continue
        echo "${proc#/proc/} $name"
    done
}

# Unix path to the Windows path of the same file (drive Z: is the root).
winepath_of() {
    printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"
}
