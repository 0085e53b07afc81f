#!/usr/bin/env bash
# The native program at rest on Xvfb screens of several sizes: the share of
# one core it uses (user and system time from /proc over a quiet span), and
# the X server's share beside it. A benchmark to read, not a test: the
# figures depend on the machine and its load.
#
#   tools/bench/rest_cpu.sh BUILD_DIR [SECONDS] [SIZES...]
#
# SIZES default to 1024x768 1920x1080 3840x2160 (Xvfb screens); a size
# written wayland:WxH runs natively on Wayland under Mutter run headless
# with a monitor of that size. SECONDS (default 20) is the span measured
# once the picture is at rest.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: rest_cpu.sh BUILD_DIR [SECONDS] [SIZES...]}" && pwd)
span=${2:-20}
shift $(($# > 1 ? 2 : 1))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1024x768 1920x1080 3840x2160)
. "$here/../../tests/e2e/lib.sh"
. "$here/../../tests/e2e/cases.sh"

# Clock ticks of user and system time of process PID so far.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# Prints the shares of a core that PID and the display's SERVER_PID used
# over the measured span, the line named NAME and the server SERVER.
share() {
    local name=$1 pid=$2 server=$3 label=$4 before server_before after server_after hz
    hz=$(getconf CLK_TCK)
    before=$(cpu_ticks "$pid")
    server_before=$(cpu_ticks "$server")
    sleep "$span" # the span measured
    after=$(cpu_ticks "$pid")
    server_after=$(cpu_ticks "$server")
    awk -v s="$name" -v l="$label" -v p=$((after - before)) -v x=$((server_after - server_before)) -v hz="$hz" -v t="$span" \
        'BEGIN { printf "%-10s program %5.2f %% of a core   %s %5.2f %%\n", s, 100 * p / hz / t, l, 100 * x / hz / t }'
}

measure() {
    local size=$SIZE pid
    TACLIB_DEVICE=sim e2e_start zorbel "$build/zorbel"
    pid=$E2E_PID
    e2e_wait_window "$title" "$size"
    sleep 3 # the start done: from here on nothing changes on the screen
    share "$size" "$pid" "$E2E_XVFB_PID" "X server"
    kill "$pid"
}

# Natively on Wayland: Mutter run headless with a virtual monitor of SIZE,
# the program drawn through SDL's Wayland driver; Mutter's share beside it.
measure_wayland() {
    local runtime=$E2E_CASE_DIR/runtime bus pid compositor
    mkdir -m 700 "$runtime"
    XDG_RUNTIME_DIR=$runtime dbus-run-session -- mutter --wayland --headless --no-x11 \
        --virtual-monitor "$SIZE" --wayland-display=rest >"$E2E_CASE_DIR/mutter.log" 2>&1 &
    bus=$!
    E2E_PIDS+=("$bus")
    e2e_keep_trying 20 "Mutter did not start" test -S "$runtime/rest"
    compositor=$(pgrep -P "$bus" -x mutter)
    (
        unset DISPLAY
        export SDL_VIDEODRIVER=wayland WAYLAND_DISPLAY=rest XDG_RUNTIME_DIR=$runtime
        TACLIB_DEVICE=sim exec "$build/zorbel" >"$E2E_CASE_DIR/zorbel.out" 2>&1
    ) &
    pid=$!
    E2E_PIDS+=("$pid")
    sleep 5 # the start done: from here on nothing changes on the screen
    kill -0 "$pid" 2>/dev/null || e2e_fail "the program ended: $(cat "$E2E_CASE_DIR/zorbel.out")"
    share "wayland $SIZE" "$pid" "$compositor" Mutter
    kill "$pid"
    for child in $(pgrep -P "$bus"); do kill "$child"; done
}

e2e_init "$build/rest-cpu-artifacts" || exit 1
for size in "${sizes[@]}"; do
    if [[ $size == wayland:* ]]; then
        e2e_xvfb_stop
        SIZE=${size#wayland:} e2e_case "rest-$size" measure_wayland
        continue
    fi
    e2e_xvfb_start 24 "$size" || exit 1
    SIZE=$size e2e_case "rest-$size" measure
done
e2e_summary
