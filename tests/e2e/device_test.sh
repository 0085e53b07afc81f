#!/usr/bin/env bash
# The native program on Xvfb with a force-feedback mouse at the kernel
# interface (libevdev_standin, preloaded): what a drag tells the device, for
# each display mode (also shown scaled on a larger screen), and a device that
# vanishes in the middle of a drag.
#
#   tests/e2e/device_test.sh BUILD_DIR PRELOAD
#
# BUILD_DIR holds zorbel, libtaclib22.so and zorbel.hkr; PRELOAD is the
# LD_PRELOAD list that loads the device (with the sanitizer's run time first
# in a sanitizer build). Failure screenshots are kept in
# BUILD_DIR/e2e-device-artifacts.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: device_test.sh BUILD_DIR PRELOAD}" && pwd)
preload=${2:?usage: device_test.sh BUILD_DIR PRELOAD}
program=$build/zorbel
for lib in ${preload//:/ }; do
    [[ $lib == /* && -f $lib ]] || { echo "device_test: no library at '$lib' (give absolute paths)" >&2; exit 2; }
done
. "$here/lib.sh"

title="Zorbel Demo"
device_log=
# The spring's condition on both axes as the kernel receives it: the built-in
# values and the shipped project's (stiffness 1000 -> coefficient 3276,
# saturation 10000 -> 65535, no dead band), centred on the middle of the axis.
centred="x=rsat:65535,lsat:65535,rcoeff:3276,lcoeff:3276,deadband:0,centre:0 y=rsat:65535,lsat:65535,rcoeff:3276,lcoeff:3276,deadband:0,centre:0"

start_with_device() {
    device_log=$E2E_CASE_DIR/device.log
    LD_PRELOAD=$preload EVDEV_STANDIN_LOG=$device_log TACLIB_LOG=$E2E_CASE_DIR/$1.log e2e_start "$1" "$2"
}

# The device's calls without their numbers.
calls() { sed 's/^[0-9]* //' "$device_log"; }
# The call number of the last line matching PATTERN.
call_number() { grep -E "^[0-9]+ $1" "$device_log" | tail -n 1 | cut -d' ' -f1; }

# Waits up to 10 s for COUNT (default 1) device calls matching PATTERN.
wait_call() {
    local deadline n
    deadline=$(e2e_deadline 10)
    until n=$(grep -cE "^[0-9]+ $1" "$device_log" 2>/dev/null); [ "${n:-0}" -ge "${2:-1}" ]; do
        e2e_past "$deadline" && e2e_fail "the device was never told '$1'; it was told: $(calls | tr '\n' ';')"
        sleep "$E2E_POLL"
    done
}

# One drag from the rest centre (X, Y) 200 pixels down, and what the device
# was told from the press on: one upload of the spring centred, one play.
# Sets released_at, the first line of the device log after the grab.
drag_and_check() {
    local x=$1 y=$2 before grab
    before=$(wc -l <"$device_log")
    e2e_press_and_pull "$x" "$y" "$x" $((y + 200)) 10
    wait_call "event ff play"
    released_at=$(($(wc -l <"$device_log") + 1))
    e2e_release
    wait_call "event ff stop id=[0-9]+\$"
    grab=$(sed -n "$((before + 1)),$((released_at - 1))p" "$device_log" | sed 's/^[0-9]* //')
    [ "$(grep -c '^upload' <<<"$grab")" = 1 ] || e2e_fail "uploads on the grab: $grab"
    grep -qxF "upload id=0->0 type=spring dir=0x0000 length=0 delay=0 $centred" <<<"$grab" ||
        e2e_fail "the grab's upload is not the spring centred on the rest centre: $grab"
    [ "$(grep -c '^event ff play' <<<"$grab")" = 1 ] || e2e_fail "plays on the grab: $grab"
}

# Escape ends the program with 0. From the release on, the device was told
# exactly one stop, and at the end the spring was erased and the device closed.
quit_and_check() {
    local pid=$1 told
    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$pid" 15 0 "zorbel after Escape"
    told=$(sed -n "${released_at},\$p" "$device_log" | sed 's/^[0-9]* //' | tr '\n' ';')
    [ "$told" = "event ff stop id=0;erase id=0;close;" ] || e2e_fail "from the release on the device was told: $told"
}

# Set-up before the spring: the device's centring off and the gain full,
# then the spring downloaded once, stopped.
check_setup() {
    local all setting at
    all=$(calls | tr '\n' ';')
    for setting in 'autocentre 0' 'gain 65535'; do
        at=$(call_number "event ff $setting\$")
        [ -n "$at" ] && [ "$at" -lt "$(call_number upload)" ] || e2e_fail "$setting not set before the spring: $all"
    done
    calls | grep -E 'event ff (autocentre|gain)' | grep -qvE 'autocentre 0$|gain 65535$' &&
        e2e_fail "other gain or autocentre values: $all"
    [ "$(calls | grep -c '^upload id=-1->0 type=spring')" = 1 ] || e2e_fail "spring downloads: $all"
    [ "$(calls | grep -c 'event ff play')" = 1 ] || e2e_fail "plays: $all"
}

case_drag() {
    start_with_device zorbel "$program"
    local pid=$E2E_PID
    e2e_wait_window "$title" "$mode"
    wait_call "upload id=-1"
    drag_and_check "$centre_x" "$centre_y"
    check_setup
    quit_and_check "$pid"
    echo "$(call_number 'event ff play')" >"$E2E_TMP/play-call"
}

# The 1024 x 768 mode shown scaled on a larger screen, with the built-in
# spring (the program alone in a folder, no effect project anywhere near it):
# the centre is still the middle of the program's screen, whatever the size
# of the display behind it.
case_scaled_builtin_spring() {
    local alone=$E2E_CASE_DIR/alone
    mkdir -p "$alone" && cp "$program" "$alone/" || e2e_fail "cannot copy the program"
    start_with_device zorbel "$alone/zorbel"
    local pid=$E2E_PID
    e2e_wait_window "$title" 1280x1024
    wait_call "upload id=-1"
    grep -q "project.*not found\|OpenFile.*-> 0" "$E2E_CASE_DIR/zorbel.log" ||
        e2e_fail "an effect project was found: $(grep -i project "$E2E_CASE_DIR/zorbel.log" | head -3)"
    drag_and_check 640 512
    quit_and_check "$pid"
}

# The device gone from the call after the play on: the release and a later
# drag fail quietly, and Escape still ends the program with 0.
case_vanish_mid_drag() {
    local vanish_at
    [ -s "$E2E_TMP/play-call" ] || e2e_fail "no drag to learn the play's place in the sequence from"
    vanish_at=$(($(cat "$E2E_TMP/play-call") + 1))
    export EVDEV_STANDIN_VANISH_AT=$vanish_at
    start_with_device zorbel "$program"
    local pid=$E2E_PID
    e2e_wait_window "$title" "$mode"
    wait_call "upload id=-1"
    e2e_press_and_pull "$centre_x" "$centre_y" "$centre_x" $((centre_y + 200)) 10
    wait_call "event ff play"
    e2e_release
    wait_call "write -> ENODEV"
    e2e_press_and_pull "$centre_x" "$centre_y" "$centre_x" $((centre_y + 100)) 5
    e2e_release
    wait_call "write -> ENODEV" 2
    kill -0 "$pid" 2>/dev/null || e2e_fail "zorbel ended after the device vanished"
    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$pid" 15 0 "zorbel after Escape"
    # Each call reaches the vanished device once, none is retried: the
    # release's stop, the later drag's upload and stop, the erase at the end.
    local failed
    failed=$(grep -c -- '-> ENODEV' "$device_log")
    [ "$failed" = 4 ] || e2e_fail "$failed calls on the vanished device: $(calls | tr '\n' ';')"
    [ ! -s "$E2E_CASE_DIR/zorbel.err" ] || e2e_fail "zorbel wrote: $(head -c 400 "$E2E_CASE_DIR/zorbel.err")"
}

e2e_init "$build/e2e-device-artifacts" || exit 1
export XDG_RUNTIME_DIR=$E2E_TMP/run
mkdir -m 700 "$XDG_RUNTIME_DIR"

e2e_xvfb_start 24 1024x768 || exit 1
mode=1024x768 centre_x=512 centre_y=384
e2e_case drag-1024x768 case_drag
e2e_case vanish-mid-drag case_vanish_mid_drag
e2e_xvfb_start 24 800x600 || exit 1
mode=800x600 centre_x=400 centre_y=300
e2e_case drag-800x600 case_drag
e2e_xvfb_start 24 1280x1024 || exit 1
e2e_case scaled-builtin-spring case_scaled_builtin_spring
e2e_summary
