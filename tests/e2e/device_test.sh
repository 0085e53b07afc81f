#!/usr/bin/env bash
# The native program on Xvfb with force devices at the kernel interface
# (libevdev_standin, preloaded): what set-up, drags and Escape tell a force
# mouse, a force joystick, a wheel and a rumble pad, with the 1024 x 768 mode
# shown scaled on a larger screen; a device pulled out mid-drag; a device
# that cannot be opened; a pull made with a scripted pad's stick; and SIGTERM
# in the middle of a flood of pointer motions, or of a device's slow upload.
#
#   tests/e2e/device_test.sh BUILD_DIR PRELOAD FLOOD
#
# BUILD_DIR holds zorbel; PRELOAD is the LD_PRELOAD list that loads the
# device (with the sanitizer's run time first in a sanitizer build); FLOOD is
# tests/support/warp_flood.cpp built. Failure screenshots are kept in
# BUILD_DIR/e2e-device-artifacts.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: device_test.sh BUILD_DIR PRELOAD FLOOD}" && pwd)
preload=${2:?usage: device_test.sh BUILD_DIR PRELOAD FLOOD}
flood=${3:?usage: device_test.sh BUILD_DIR PRELOAD FLOOD}
[ -x "$flood" ] || { echo "device_test: no flood program at '$flood'" >&2; exit 2; }
program=$build/zorbel
for lib in ${preload//:/ }; do
    [[ $lib == /* && -f $lib ]] || { echo "device_test: no library at '$lib' (give absolute paths)" >&2; exit 2; }
done
. "$here/lib.sh"

title="Zorbel Demo"
# The built-in spring's condition on both axes as the kernel receives it
# (stiffness 1000 -> coefficient 3276, saturation 10000 -> 65535, no dead
# band), centred on the middle of the axis.
centred="x=rsat:65535,lsat:65535,rcoeff:3276,lcoeff:3276,deadband:0,centre:0 y=rsat:65535,lsat:65535,rcoeff:3276,lcoeff:3276,deadband:0,centre:0"

# Device log lines without their call numbers and node.
strip() { sed 's/^[0-9]* event[0-9]* //'; }
calls() { strip <"$device_log"; }
# The call number of the last line matching PATTERN.
call_number() { grep -E "^[0-9]+ event[0-9]+ $1" "$device_log" | tail -n 1 | cut -d' ' -f1; }

# Waits up to 10 s for a device call matching PATTERN.
wait_call() {
    e2e_keep_trying 10 "the device was never told '$1'; it was told: \$(calls | tr '\n' ';')" \
        grep -sqE "^[0-9]+ event[0-9]+ $1" "$device_log"
}

# The program alone in a folder, so with the built-in spring, on a screen
# larger than its mode: the centre is still the middle of the program's
# screen, whatever the size of the display behind it. A drag from the rest
# centre 200 pixels down tells the device one upload of the spring centred
# and one play; from the release on, exactly one stop, then the spring is
# erased and the device closed when Escape ends the program with 0.
case_drag() {
    local alone=$E2E_CASE_DIR/alone pid all setting at before released_at grab told
    mkdir -p "$alone" && cp "$program" "$alone/" || e2e_fail "cannot copy the program"
    device_log=$E2E_CASE_DIR/device.log
    LD_PRELOAD=$preload EVDEV_STANDIN_LOG=$device_log TACLIB_LOG=$E2E_CASE_DIR/zorbel.log \
        e2e_start zorbel "$alone/zorbel"
    pid=$E2E_PID
    e2e_wait_window "$title" 1280x1024
    wait_call "upload id=-1"
    grep -q "project.*not found\|OpenFile.*-> 0" "$E2E_CASE_DIR/zorbel.log" ||
        e2e_fail "an effect project was found: $(grep -i project "$E2E_CASE_DIR/zorbel.log" | head -3)"

    # Set-up before the spring: the device's centring off and the gain full,
    # then the spring downloaded once, stopped.
    all=$(calls | tr '\n' ';')
    for setting in 'autocentre 0' 'gain 65535'; do
        at=$(call_number "event ff $setting\$")
        [ -n "$at" ] && [ "$at" -lt "$(call_number upload)" ] || e2e_fail "$setting not set before the spring: $all"
    done
    calls | grep -E 'event ff (autocentre|gain)' | grep -qvE 'autocentre 0$|gain 65535$' &&
        e2e_fail "other gain or autocentre values: $all"
    [ "$(calls | grep -c '^upload id=-1->0 type=spring')" = 1 ] || e2e_fail "spring downloads: $all"
    [ "$(calls | grep -c 'event ff play')" = 0 ] || e2e_fail "plays before the grab: $all"

    before=$(wc -l <"$device_log")
    e2e_press_and_pull 640 512 640 712 10
    wait_call "event ff play"
    released_at=$(($(wc -l <"$device_log") + 1))
    e2e_release
    wait_call "event ff stop id=[0-9]+\$"
    grab=$(sed -n "$((before + 1)),$((released_at - 1))p" "$device_log" | strip)
    [ "$(grep -c '^upload' <<<"$grab")" = 1 ] || e2e_fail "uploads on the grab: $grab"
    grep -qxF "upload id=0->0 type=spring dir=0x4000 length=32767 delay=0 $centred" <<<"$grab" ||
        e2e_fail "the grab's upload is not the spring centred on the rest centre: $grab"
    [ "$(grep -c '^event ff play id=0 count=2147483647$' <<<"$grab")" = 1 ] || e2e_fail "plays on the grab: $grab"

    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$pid" 15 0 "zorbel after Escape"
    told=$(sed -n "${released_at},\$p" "$device_log" | strip | tr '\n' ';')
    [ "$told" = "event ff stop id=0;erase id=0;close;" ] || e2e_fail "from the release on the device was told: $told"
}

# Starts the program alone in a folder with the stand-in DEVICES.
start_alone() {
    local alone=$E2E_CASE_DIR/alone
    mkdir -p "$alone" && cp "$program" "$alone/" || e2e_fail "cannot copy the program"
    device_log=$E2E_CASE_DIR/device.log
    control=$E2E_CASE_DIR/control.fifo
    LD_PRELOAD=$preload EVDEV_STANDIN_DEVICES=$1 EVDEV_STANDIN_LOG=$device_log \
        EVDEV_STANDIN_CONTROL=$control SDL_JOYSTICK_DISABLE_UDEV=1 \
        TACLIB_LOG=$E2E_CASE_DIR/zorbel.log e2e_start zorbel "$alone/zorbel"
    pid=$E2E_PID
    e2e_wait_window "$title" 1280x1024
    # Force feedback is the last of the set-up: the scene runs from then on.
    e2e_keep_trying 10 'force feedback was never set up: $(cat "$E2E_CASE_DIR/zorbel.log")' \
        grep -sqE '^CTacSpring::Initialize|^CTacMouse::Initialize .* -> 0$' "$E2E_CASE_DIR/zorbel.log"
}

# The last upload's details from FIELD on, e.g. "level=1703".
last_upload() { grep ' upload ' "$device_log" | tail -n 1 | sed "s/.* $1=/$1=/"; }
last_upload_is() { [ "$(last_upload "$1")" = "$2" ]; }
wait_upload() {
    e2e_keep_trying 10 "the device was last told '\$(last_upload $1)', not '$2': \$(calls | tail -5 | tr '\n' ';')" \
        last_upload_is "$1" "$2"
}

# A controller that cannot play a spring is told its force at the pointer
# (the mode's pixels: the screen shows the 1024 x 768 mode at 1.25 times,
# 32 pixels down): none at rest, one growing with the pull, nothing after the
# release, everything released at the end, and nothing said on standard
# error while a device is in use. 200 pixels down the spring pulls 520 up,
# 200 to the left as well 390 to the right: a constant force of level 1703
# straight up, then 2129 at 0x1a38 of a turn; a rumble of 3407, then 4259.
controller_drag() {
    local kind=$1 field=$2 down=$3 diagonal=$4 levels told
    start_alone "$kind"
    e2e_press_and_pull 640 512 640 762 10
    wait_upload "$field" "$down"
    levels=$(grep -o ' level=[0-9]*\| strong=[0-9]*' "$device_log" | tr -dc '0-9\n')
    sort -n -c <<<"$levels" 2>/dev/null || e2e_fail "the force did not grow with the pull: $(tr '\n' ' ' <<<"$levels")"
    xdotool mousemove 390 762
    wait_upload "$field" "$diagonal"
    e2e_release
    if [ "$field" = dir ]; then wait_call "event ff stop"; else wait_upload strong "strong=0 weak=0"; fi
    told=$(wc -l <"$device_log")
    xdotool mousemove 640 512
    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$pid" 15 0 "zorbel after Escape"
    sed -n "$((told + 1)),\$p" "$device_log" | strip | grep -q '^upload' && e2e_fail "told after the release: $(calls | tail -4 | tr '\n' ';')"
    # The library's effect erased and every descriptor of the device closed
    # (the program's host holds one too, to read the stick).
    calls | grep -q '^erase id=0$' && [ "$(calls | grep -c '^open')" = "$(calls | grep -c '^close')" ] ||
        e2e_fail "not released at the end: $(calls | tail -4 | tr '\n' ';')"
    [ ! -s "$E2E_CASE_DIR/zorbel.err" ] || e2e_fail "it said: $(cat "$E2E_CASE_DIR/zorbel.err")"
}
case_joystick() { controller_drag joystick dir "dir=0x0000 length=32767 delay=0 level=1703" "dir=0x1a38 length=32767 delay=0 level=2129"; }
case_wheel() { controller_drag wheel dir "dir=0x0000 length=32767 delay=0 level=1703" "dir=0x1a38 length=32767 delay=0 level=2129"; }
case_pad() { controller_drag pad strong "strong=3407 weak=3407" "strong=4259 weak=4259"; }

# A device pulled out mid-drag leaves the program running, silent; plugged
# back, the next press uses it.
case_unplugged_mid_drag() {
    local plugged_at
    start_alone joystick
    e2e_press_and_pull 640 512 640 762 10
    wait_upload dir "dir=0x0000 length=32767 delay=0 level=1703"
    echo "unplug event31" >"$control"
    wait_call unplugged
    xdotool mousemove 390 762
    e2e_release
    kill -0 "$pid" 2>/dev/null || e2e_fail "the program ended when the device went"
    echo "plug event31" >"$control"
    wait_call plugged
    plugged_at=$(wc -l <"$device_log")
    e2e_press_and_pull 640 512 640 762 10
    told_again() {
        sed -n "$((plugged_at + 1)),\$p" "$device_log" | grep -q ' upload id=-1->0 type=constant' &&
            last_upload_is dir "dir=0x0000 length=32767 delay=0 level=1703"
    }
    e2e_keep_trying 10 "the device plugged back was not told the pull: \$(calls | tail -6 | tr '\n' ';')" told_again
    e2e_release
    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$pid" 15 0 "zorbel after Escape"
}

# No device that can be opened: one line says so and names the node.
case_refused() {
    start_alone refused
    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$pid" 15 0 "zorbel after Escape"
    [ "$(cat "$E2E_CASE_DIR/zorbel.err")" = "zorbel: no force-feedback device; input devices that could not be opened: /dev/input/event31 (Permission denied): the spring is not felt (zorbel --devices tells more)" ] ||
        e2e_fail "it said: $(cat "$E2E_CASE_DIR/zorbel.err")"
}

# How many pixels differ between two pictures.
differing() { compare -metric AE "$1" "$2" null: 2>&1; }
# Takes the screen as frame NAME: true when it is as the time before, and
# unlike frame BEFORE, which the screen has to have left.
same_screen() {
    local file=$E2E_CASE_DIR/$1.png
    [ -f "$file" ] && mv "$file" "$E2E_CASE_DIR/last.png"
    e2e_screenshot "$file" && [ "$(differing "$file" "$E2E_CASE_DIR/last.png")" = 0 ] &&
        { [ -z "${2:-}" ] || [ "$(differing "$file" "$E2E_CASE_DIR/$2.png")" != 0 ]; }
}
# Waits for frame NAME [BEFORE], the screen standing still.
still_screen() {
    rm -f "$E2E_CASE_DIR/last.png"
    e2e_keep_trying 10 "the screen never stood still for $1" same_screen "$@"
}
pointer_at() { [ "$(xdotool getmouselocation | cut -d' ' -f1-2)" = "x:$1 y:$2" ]; }
# One event of the stand-in pad and the report that ends it.
pad() { printf 'event31 %s\nevent31 syn\n' "$*" >&3; }
# A stick's first position once the program has the pad moves nothing: it
# is moved until it moves the pointer.
stick_moves() { pad abs 0 32767 && sleep "$E2E_POLL" && pad abs 0 0 && ! pointer_at 10 10; }
# Starts the program as NAME with the pad scripted through $fifo; sets pid.
start_with_pad() {
    LD_PRELOAD=$preload SDL_JOYSTICK_DISABLE_UDEV=1 EVDEV_STANDIN_DEVICES=pad \
        EVDEV_STANDIN_CONTROL=$fifo e2e_start "$1" "$program"
    pid=$E2E_PID
    e2e_wait_window "$title" 1280x1024
}
back_ends() { pad key 314 1 && sleep 0.2 && pad key 314 0 && ! kill -0 "$pid" 2>/dev/null; }

# A pull with a pad's stick and the same pull with the mouse give the same
# frames: the band held in the screen's lower right corner (the mouse held
# there, the stick pushed all the way there), and the fork the launch leaves.
# The pad rumbles with the pull, which ends with the pad unplugged and lets
# go as the mouse's button does; plugged in again, its Back ends the program
# with status 0.
case_stick_pull() {
    local fifo=$E2E_CASE_DIR/pad.fifo pid frame differ
    mkfifo "$fifo" && exec 3<>"$fifo" || e2e_fail "no control FIFO"
    start_with_pad mouse
    still_screen rest
    e2e_press_and_pull 640 512 1279 1023 10
    still_screen held-mouse rest
    e2e_release
    still_screen launched-mouse held-mouse
    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$pid" 15 0 "zorbel after Escape"

    EVDEV_STANDIN_LOG=$E2E_CASE_DIR/pad.log start_with_pad stick
    timeout 5 xdotool windowfocus --sync "$E2E_WINDOW" mousemove 10 10
    e2e_keep_trying 10 "the stick never moved the pointer" stick_moves
    e2e_keep_trying 5 "the stick at rest is not on the rest centre" pointer_at 640 512
    pad key 304 1 # the south button
    e2e_expect_pixel 640 502 0x000000FF "ball grabbed by the south button" 5
    pad abs 0 32767
    pad abs 1 32767
    still_screen held-stick rest
    grep -qE 'event31 upload .*type=rumble .*strong=[1-9]' "$E2E_CASE_DIR/pad.log" ||
        e2e_fail "the pad did not rumble with the pull"
    echo "unplug event31" >&3
    still_screen launched-stick held-stick
    echo "plug event31" >&3 # found again at SDL's next look for devices
    e2e_keep_trying 10 "Back did not end the program" back_ends
    e2e_expect_exit "$pid" 5 0 "zorbel after Back"
    for frame in held launched; do
        differ=$(compare -metric AE "$E2E_CASE_DIR/$frame-mouse.png" "$E2E_CASE_DIR/$frame-stick.png" null: 2>&1)
        [ "$differ" = 0 ] || e2e_fail "the $frame frames of the mouse and the stick differ in $differ pixels"
    done
}

# Ended by SIGTERM with the band held and a joystick told the force: the
# orderly end, as after Escape (status 0, nothing said), the device's force
# stopped, its effect erased and every descriptor closed.
expect_orderly_end() {
    e2e_expect_exit "$pid" 15 0 "zorbel after SIGTERM $1"
    [ ! -s "$E2E_CASE_DIR/zorbel.err" ] || e2e_fail "it said: $(cat "$E2E_CASE_DIR/zorbel.err")"
    calls | grep -q '^erase id=0$' && [ "$(calls | grep -c '^open')" = "$(calls | grep -c '^close')" ] ||
        e2e_fail "not released at the end: $(calls | tail -4 | tr '\n' ';')"
}

# SIGTERM 0.7 s into a flood of at least 10^5 pointer warps that goes on
# for 0.5 s after it, the force following them: a program busy taking in its
# input is not taken for one whose display stopped answering.
case_flood() {
    local said
    start_alone joystick
    e2e_press_and_pull 640 512 640 762 10
    wait_upload dir "dir=0x0000 length=32767 delay=0 level=1703"
    said=$("$flood" 600 700 680 762 100000 "$pid" 700) || e2e_fail "the flood failed: $said"
    e2e_log "$said"
    e2e_release
    expect_orderly_end "in a flood of motions"
}

# A device that takes 300 ms over each upload, SIGTERM while the follower is
# in one: still the orderly end, not the signal's own.
case_slow_device_terminate() {
    EVDEV_STANDIN_UPLOAD_MS=300 start_alone joystick
    e2e_press_and_pull 640 512 640 762 10
    wait_call "upload id=-1->0 type=constant"
    xdotool mousemove 390 762
    kill -TERM "$pid"
    e2e_release
    expect_orderly_end "with a slow device"
}

e2e_init "$build/e2e-device-artifacts" || exit 1
export XDG_RUNTIME_DIR=$E2E_TMP/run
mkdir -m 700 "$XDG_RUNTIME_DIR"

e2e_xvfb_start 24 1280x1024 || exit 1
e2e_case scaled-drag case_drag
e2e_case joystick case_joystick
e2e_case wheel case_wheel
e2e_case pad case_pad
e2e_case unplugged-mid-drag case_unplugged_mid_drag
e2e_case refused case_refused
e2e_case stick-pull case_stick_pull
e2e_case flood case_flood
e2e_case slow-device-terminate case_slow_device_terminate
e2e_summary
