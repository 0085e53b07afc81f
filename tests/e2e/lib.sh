# shellcheck shell=bash
# shellcheck disable=SC2034  # E2E_PID and E2E_WINDOW are results for the test script
# Helpers for the end-to-end tests on Xvfb, of the native program and of the
# Windows program under Wine.
#
# Source this file, then:
#   e2e_init ARTIFACT_DIR        temporary folder, clean-up on exit; what a
#                                failed case leaves is kept in ARTIFACT_DIR
#   e2e_wine_select EXE          the Wine loader and prefix kind for EXE
#   e2e_xvfb_start DEPTH [WxH]   a private X server on a free display (Xvfb;
#                                Xvnc with E2E_XSERVER=Xvnc, whose screen
#                                xrandr can resize)
#   e2e_prefix_create            the run's Wine prefix (once per run)
#   e2e_case NAME FUNCTION       runs one case in a subshell, reports PASS/FAIL
#   e2e_summary                  prints the totals; returns non-zero on failure
#
# Inside a case, e2e_fail MESSAGE ends the case: it saves a screenshot as
# ARTIFACT_DIR/NAME-failure.png and says what was seen. The case's programs
# write their output to E2E_CASE_DIR; when the case fails, that folder is
# kept as ARTIFACT_DIR/NAME/.
#
# Every process these helpers start is remembered by its id and ended by that
# id; the Wine server of the run's own prefix is shut down through that prefix.

E2E_WINDOW_TIMEOUT=30
E2E_POLL=0.1
# The waits for something that must happen (a window, a pixel, an exit, a
# line) give up only after E2E_PATIENCE times their stated time: they return
# as soon as what they wait for is there, so only a failing case takes
# longer, and a loaded machine or a sanitizer build that draws slowly does
# not fail a case that would pass. Bounds that are themselves the point (a
# program must end within 2 s of a signal) use e2e_deadline, which is exact.
E2E_PATIENCE=${E2E_PATIENCE:-3}

# ---------------------------------------------------------------- run set-up

e2e_init() {
    local artifacts=${1:?e2e_init: artifact folder missing}
    mkdir -p "$artifacts" || { echo "e2e: cannot create $artifacts" >&2; return 1; }
    E2E_ARTIFACTS=$(cd "$artifacts" && pwd)
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/zorbel-e2e.XXXXXX") || return 1
    E2E_CASE=setup
    E2E_PASSED=0
    E2E_FAILED=0
    E2E_XVFB_PID=
    E2E_PIDS=()
    unset WINEPREFIX WINEARCH WINELOADER
    # A runtime folder of this run's own: the single-copy check of a program
    # started here never finds a copy that another run started.
    export XDG_RUNTIME_DIR=$E2E_TMP/runtime
    mkdir -m 700 "$XDG_RUNTIME_DIR" || return 1
    E2E_WINE=
    export WINEDEBUG=-all
    # No session bus: the program uses none of its own, and a machine where
    # it runs without one (an ssh session, a kiosk) is where it must start
    # none either. A case that needs a bus (a window manager's) starts a
    # private one for itself.
    unset DBUS_SESSION_BUS_ADDRESS
    trap e2e_cleanup EXIT
    local tool
    for tool in wineserver Xvfb xdotool import convert objdump; do
        command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (see tools/setup-debian.sh)" >&2; return 1; }
    done
}

# Chooses the Wine loader and the prefix architecture from EXE's own header:
# a 32-bit program runs under 32-bit Wine in a win32 prefix, a 64-bit one
# under the 64-bit loader in a win64 prefix. Debian's `wine` wrapper always
# picks the 32-bit loader when it is installed, so the 64-bit one is called
# by its path. Sets E2E_WINE and exports WINEARCH and WINELOADER.
e2e_wine_select() {
    local exe=${1:?e2e_wine_select: program missing} format
    format=$(objdump -f "$exe" 2>/dev/null | sed -n 's/.*file format //p')
    case "$format" in
        pei-i386) E2E_WINE=/usr/lib/wine/wine WINEARCH=win32 ;;
        pei-x86-64) E2E_WINE=/usr/lib/wine/wine64 WINEARCH=win64 ;;
        *) echo "e2e: $exe is not a Windows program (format '${format:-unknown}')" >&2; return 1 ;;
    esac
    [ -x "$E2E_WINE" ] ||
        { echo "e2e: no Wine loader at $E2E_WINE for a $format program (see tools/setup-debian.sh)" >&2; return 1; }
    WINELOADER=$E2E_WINE
    export WINEARCH WINELOADER
    e2e_log "$format program: $E2E_WINE, $WINEARCH prefix"
}

e2e_log() {
    printf '[%s %s] %s\n' "$(date +%H:%M:%S.%N | cut -c1-12)" "$E2E_CASE" "$*" >&2
}

# Ends the processes started by e2e_start in this shell.
# Ends what a case started: each is asked to end, given up to 5 s (or its
# patience), then killed, so that nothing of one case (a window, a running
# first copy, an open device) is left for the next; and a mouse button a
# failed case left pressed is let go.
e2e_end_started() {
    local pid deadline
    for pid in "${E2E_PIDS[@]}"; do
        kill "$pid" 2>/dev/null
    done
    deadline=$(e2e_patient_deadline 5)
    for pid in "${E2E_PIDS[@]}"; do
        while kill -0 "$pid" 2>/dev/null && ! e2e_past "$deadline"; do
            sleep "$E2E_POLL"
        done
        kill -KILL "$pid" 2>/dev/null
    done
    E2E_PIDS=()
    [ -z "${DISPLAY:-}" ] || timeout 5 xdotool mouseup 1 >/dev/null 2>&1
    return 0
}

e2e_cleanup() {
    e2e_end_started
    e2e_wine_shutdown
    e2e_xvfb_stop
    [ -z "${E2E_TMP:-}" ] || rm -rf "$E2E_TMP"
}

# ---------------------------------------------------------------- X server

# Starts Xvfb at the given depth (and size, 1024x768 by default) on the first
# free display number, which the server itself picks and reports; exports
# DISPLAY. A running server of this run is stopped first.
e2e_xvfb_start() {
    local depth=${1:?e2e_xvfb_start: depth missing} size=${2:-1024x768}
    local numfile="$E2E_TMP/xvfb.display" i screen=(-screen 0 "${size}x${depth}")
    e2e_xvfb_stop
    : >"$numfile"
    [ "${E2E_XSERVER:-Xvfb}" = Xvnc ] && screen=(-geometry "$size" -depth "$depth" -SecurityTypes None -rfbport -1)
    "${E2E_XSERVER:-Xvfb}" -displayfd 3 "${screen[@]}" -nolisten tcp -noreset \
        3>"$numfile" >"$E2E_TMP/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    for ((i = 0; i < 100; i++)); do
        if grep -q '^[0-9][0-9]*$' "$numfile" 2>/dev/null; then
            DISPLAY=":$(cat "$numfile")"
            export DISPLAY
            e2e_log "Xvfb $DISPLAY ${size}x${depth} (pid $E2E_XVFB_PID)"
            return 0
        fi
        kill -0 "$E2E_XVFB_PID" 2>/dev/null || break
        sleep "$E2E_POLL"
    done
    echo "e2e: Xvfb ${size}x${depth} did not start; its log:" >&2
    cat "$E2E_TMP/xvfb.log" >&2
    e2e_xvfb_stop
    return 1
}

e2e_xvfb_stop() {
    if [ -n "${E2E_XVFB_PID:-}" ]; then
        # Wine's processes hold the display; they go first.
        e2e_wine_shutdown
        kill "$E2E_XVFB_PID" 2>/dev/null
        wait "$E2E_XVFB_PID" 2>/dev/null
        E2E_XVFB_PID=
        unset DISPLAY
    fi
}

# ---------------------------------------------------------------- Wine prefix

# Makes the run's Wine prefix, of the architecture e2e_wine_select chose: no .NET or HTML engine installers,
# no crash dialog, Direct3D on the GDI renderer, and display modes taken only from the X
# screen as it is (no XRandR/XVidMode), so a 16-bit mode is offered exactly
# when the screen is 16-bit at that size.
e2e_prefix_create() {
    export WINEPREFIX="$E2E_TMP/prefix"
    if ! env -u DISPLAY WINEDLLOVERRIDES="mscoree,mshtml=" "$E2E_WINE" wineboot -i \
        >"$E2E_TMP/wineboot.log" 2>&1; then
        echo "e2e: wineboot failed; its log:" >&2
        cat "$E2E_TMP/wineboot.log" >&2
        return 1
    fi
    e2e_wine_reg 'HKCU\Software\Wine\Direct3D' renderer gdi || return 1
    e2e_wine_reg 'HKCU\Software\Wine\X11 Driver' UseXRandR N || return 1
    e2e_wine_reg 'HKCU\Software\Wine\X11 Driver' UseXVidMode N || return 1
    # A program that crashes ends, its backtrace on its standard error,
    # instead of waiting behind a dialog that no one closes.
    env -u DISPLAY "$E2E_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog \
        /t REG_DWORD /d 0 /f >>"$E2E_TMP/wineboot.log" 2>&1 || return 1
    wineserver -w
    e2e_log "Wine prefix ready"
}

e2e_wine_reg() {
    env -u DISPLAY "$E2E_WINE" reg add "$1" /v "$2" /t REG_SZ /d "$3" /f >>"$E2E_TMP/wineboot.log" 2>&1 ||
        { echo "e2e: could not set $1\\$2=$3" >&2; return 1; }
}

# Ends every Wine process of the run's prefix (and only of it) and waits
# until its server is gone.
e2e_wine_shutdown() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
    fi
}

# ---------------------------------------------------------------- processes

# Starts PROGRAM ARGS... in the background from its folder, a Windows program
# (.exe) under Wine; its output goes to E2E_CASE_DIR/NAME.out and NAME.err.
# Sets E2E_PID.
e2e_start() {
    local name=${1:?e2e_start: name missing} program=${2:?e2e_start: program missing} loader=()
    shift 2
    [ -f "$program" ] || { echo "e2e: no program at $program" >&2; return 1; }
    [[ $program == *.exe ]] && loader=("$E2E_WINE")
    (
        cd "$(dirname "$program")" || exit 126
        exec "${loader[@]}" "./$(basename "$program")" "$@" >"$E2E_CASE_DIR/$name.out" 2>"$E2E_CASE_DIR/$name.err"
    ) &
    E2E_PID=$!
    E2E_PIDS+=("$E2E_PID")
    e2e_log "started $name: ${loader[*]:+$(basename "$E2E_WINE") }$(basename "$program") $* (pid $E2E_PID)"
}

# Fails the case unless PID, a process started by these helpers, ends within
# TIMEOUT seconds with status EXPECTED. Only the shell that started a process
# can learn its exit status: not for use inside $(...).
e2e_expect_exit() {
    local pid=${1:?} timeout=${2:?} expected=${3:?} what=${4:-the program} deadline status=0
    deadline=$(e2e_patient_deadline "$timeout")
    while kill -0 "$pid" 2>/dev/null; do
        e2e_past "$deadline" && e2e_fail "$what still running after ${timeout} s (expected it to end with $expected)"
        sleep "$E2E_POLL"
    done
    wait "$pid" || status=$?
    [ "$status" = "$expected" ] || e2e_fail "$what ended with exit code $status, expected $expected"
}

# A deadline for e2e_past, whole seconds from now (a fraction is dropped).
e2e_deadline() {
    echo $(($(date +%s%N) + ${1%.*} * 1000000000))
}

# The deadline of a wait for something that must happen: E2E_PATIENCE times
# the given seconds.
e2e_patient_deadline() {
    e2e_deadline $((${1%.*} * E2E_PATIENCE))
}

e2e_past() {
    [ "$(date +%s%N)" -ge "$1" ]
}

# Runs COMMAND... until it succeeds; after TIMEOUT s fails the case with
# WHAT, whose \$(...) parts are expanded then, to show how things ended.
e2e_keep_trying() {
    local timeout=${1:?} what=${2:?} deadline
    shift 2
    deadline=$(e2e_patient_deadline "$timeout")
    until "$@"; do
        e2e_past "$deadline" && e2e_fail "$(eval "echo \"$what\"")"
        sleep "$E2E_POLL"
    done
}

# ---------------------------------------------------------------- windows

# Prints the visible top-level windows titled exactly TITLE, one per line:
# "ID WIDTHxHEIGHT+X+Y".
e2e_windows() {
    local id
    for id in $(xdotool search --onlyvisible --name "^${1:?}\$" 2>/dev/null); do
        (
            eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)"
            [ -n "${WIDTH:-}" ] && echo "$id ${WIDTH}x${HEIGHT}+$X+$Y"
        )
    done
}

# Waits until a visible window titled TITLE exists, optionally exactly
# WIDTHxHEIGHT in size, and sets E2E_WINDOW to its id. Fails the case after
# TIMEOUT seconds, naming the windows of that title that were there.
e2e_wait_window() {
    local title=${1:?} size=${2:-} timeout=${3:-$E2E_WINDOW_TIMEOUT} deadline line seen
    deadline=$(e2e_patient_deadline "$timeout")
    while :; do
        while read -r line; do
            if [ -z "$size" ] || [[ ${line#* } == "$size"+* ]]; then
                E2E_WINDOW=${line%% *}
                e2e_log "window \"$title\" $line"
                return 0
            fi
        done < <(e2e_windows "$title")
        e2e_past "$deadline" && break
        sleep "$E2E_POLL"
    done
    seen=$(e2e_windows "$title" | tr '\n' ';')
    e2e_fail "no visible window \"$title\" ${size:+of size $size }after ${timeout} s (windows with that title: ${seen:-none})"
}

# ---------------------------------------------------------------- pictures

# import says itself why a screenshot failed.
e2e_screenshot() {
    import -window root "${1:?}"
}

# Fails the case unless pixel (X, Y) of the screen shows the GDI colour
# COLORREF (0x00BBGGRR) within TIMEOUT seconds (default: at once). Colours are
# compared as a 16-bit (RGB565) display shows them: 5, 6 and 5 bits of each,
# widened in ways that differ between X servers (0xCC green may come back as
# 0xCE or 0xCF).
e2e_expect_pixel() {
    local x=${1:?} y=${2:?} colorref=$((${3:?})) what=${4:-pixel} timeout=${5:-0}
    local want shot="$E2E_TMP/pixel.png" seen deadline
    want=$(printf '%02X%02X%02X' $((colorref & 255)) $(((colorref >> 8) & 255)) $(((colorref >> 16) & 255)))
    deadline=$(e2e_patient_deadline "$timeout")
    while :; do
        e2e_screenshot "$shot" || e2e_fail "no screenshot for $what"
        seen=$(convert "$shot" -depth 8 -format "%[hex:p{$x,$y}]" info: 2>/dev/null | cut -c1-6)
        [[ $seen =~ ^[0-9A-F]{6}$ ]] && [ $((0x$seen & 0xF8FCF8)) = $((0x$want & 0xF8FCF8)) ] && return 0
        e2e_past "$deadline" && break
        sleep "$E2E_POLL"
    done
    e2e_fail "$what: pixel ($x, $y) is 0x$seen, expected 0x$want (GDI colour $3)"
}

# ---------------------------------------------------------------- input

# Presses the left button at (X0, Y0), the rest centre of the band, and
# moves to (X1, Y1) in STEPS equal steps, leaving the button down. A Windows
# program asks where the cursor is when it handles the press (GetCursorPos)
# and would see a later position if the pointer moved on at once, so the
# pointer stays until the press is seen handled: the ball drawn under it,
# its top 10 pixels above the centre where the band at rest leaves black.
e2e_press_and_pull() {
    local x0=${1:?} y0=${2:?} x1=${3:?} y1=${4:?} steps=${5:-10} i
    xdotool mousemove "$x0" "$y0" mousedown 1 || return 1
    e2e_expect_pixel "$x0" $((y0 - 10)) 0x000000FF "ball grabbed under the pressed cursor" 5
    for ((i = 1; i <= steps; i++)); do
        xdotool mousemove $((x0 + (x1 - x0) * i / steps)) $((y0 + (y1 - y0) * i / steps)) || return 1
    done
}

e2e_release() {
    xdotool mouseup 1
}

# Sends key strokes (xdotool key names) to window ID. The window is given the
# keyboard focus first: with no window manager the keys would otherwise go to
# whatever window lies under the pointer.
e2e_key() {
    local id=${1:?e2e_key: window id missing}
    shift
    timeout 5 xdotool windowfocus --sync "$id" || e2e_log "could not focus window $id"
    xdotool key "$@"
}

# ---------------------------------------------------------------- cases

# Ends the current case: keeps a screenshot as ARTIFACT_DIR/CASE-failure.png
# and says what was seen.
e2e_fail() {
    local shot="$E2E_ARTIFACTS/${E2E_CASE}-failure.png"
    [ -n "${DISPLAY:-}" ] && e2e_screenshot "$shot" || shot=none
    echo "FAIL [$E2E_CASE]: $* (screen: $shot)" >&2
    exit 1
}

# Runs FUNCTION as the case NAME in a subshell, so that a failure ends only
# this case; whatever the case started is ended before the next one. With
# E2E_CASES set, only the cases it names (separated by spaces) run.
e2e_case() {
    local name=${1:?} fn=${2:?} status=0
    if [ -n "${E2E_CASES:-}" ] && [[ " $E2E_CASES " != *" $name "* ]]; then
        return 0
    fi
    E2E_CASE=$name
    E2E_CASE_DIR=$E2E_TMP/cases/$name
    rm -rf "$E2E_CASE_DIR" "${E2E_ARTIFACTS:?}/$name"
    mkdir -p "$E2E_CASE_DIR"
    (
        E2E_PIDS=()
        trap e2e_end_started EXIT
        "$fn"
    ) || status=$?
    e2e_wine_shutdown
    if [ "$status" -eq 0 ]; then
        E2E_PASSED=$((E2E_PASSED + 1))
        echo "PASS [$name]" >&2
    else
        E2E_FAILED=$((E2E_FAILED + 1))
        cp -r "$E2E_CASE_DIR" "$E2E_ARTIFACTS/$name"
        echo "FAIL [$name] (its programs' output: $E2E_ARTIFACTS/$name/)" >&2
    fi
    E2E_CASE=setup
    return 0
}

e2e_summary() {
    echo "end-to-end: $E2E_PASSED passed, $E2E_FAILED failed" >&2
    if [ -n "${E2E_CASES:-}" ] && [ $((E2E_PASSED + E2E_FAILED)) -eq 0 ]; then
        echo "end-to-end: no case here is named in E2E_CASES ($E2E_CASES)" >&2
        return 1
    fi
    [ "$E2E_FAILED" -eq 0 ]
}

# ---------------------------------------------------------------- window managers

# Starts the window manager NAME (openbox or mutter) on the run's X server
# and waits until it has taken the screen (it names itself on the root
# window, which wmctrl reads). Mutter runs in a session bus of its own,
# which ends with it. Sets E2E_WM_PID; the X server's end ends it too.
e2e_wm_start() {
    local name=${1:?e2e_wm_start: name missing} command deadline
    case $name in
    openbox) command=(openbox --sm-disable) ;;
    mutter) command=(dbus-run-session -- mutter --x11 --replace --sm-disable) ;;
    # Not among the test packages, for a run by hand (E2E_WMS in desktop_test.sh).
    xfwm4) command=(xfwm4 --replace --sm-client-disable --compositor=off) ;;
    kwin) command=(dbus-run-session -- kwin_x11 --replace) ;;
    *) echo "e2e: no such window manager here: $name" >&2; return 1 ;;
    esac
    command -v "${command[0]}" >/dev/null && command -v wmctrl >/dev/null ||
        { echo "e2e: ${command[0]} or wmctrl is missing (see tools/setup-debian.sh)" >&2; return 1; }
    "${command[@]}" >"$E2E_TMP/$name.log" 2>&1 &
    E2E_WM_PID=$!
    E2E_PIDS+=("$E2E_WM_PID")
    deadline=$(e2e_deadline 20)
    until wmctrl -m >/dev/null 2>&1; do
        if e2e_past "$deadline" || ! kill -0 "$E2E_WM_PID" 2>/dev/null; then
            echo "e2e: the window manager $name did not start; its log:" >&2
            cat "$E2E_TMP/$name.log" >&2
            return 1
        fi
        sleep "$E2E_POLL"
    done
    e2e_log "window manager $name (pid $E2E_WM_PID)"
}
