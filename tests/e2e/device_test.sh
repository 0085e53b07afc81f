#!/usr/bin/env bash
# The native program on Xvfb with a force-feedback mouse at the kernel
# interface (libevdev_standin, preloaded): what set-up, one drag and Escape
# tell the device, with the 1024 x 768 mode shown scaled on a larger screen.
#
#   tests/e2e/device_test.sh BUILD_DIR PRELOAD
#
# BUILD_DIR holds zorbel; PRELOAD is the LD_PRELOAD list that loads the
# device (with the sanitizer's run time first in a sanitizer build). Failure
# screenshots are kept in BUILD_DIR/e2e-device-artifacts.
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
    local deadline
    deadline=$(e2e_deadline 10)
    until grep -qE "^[0-9]+ event[0-9]+ $1" "$device_log" 2>/dev/null; do
        e2e_past "$deadline" && e2e_fail "the device was never told '$1'; it was told: $(calls | tr '\n' ';')"
        sleep "$E2E_POLL"
    done
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
    grep -qxF "upload id=0->0 type=spring dir=0x0000 length=0 delay=0 $centred" <<<"$grab" ||
        e2e_fail "the grab's upload is not the spring centred on the rest centre: $grab"
    [ "$(grep -c '^event ff play' <<<"$grab")" = 1 ] || e2e_fail "plays on the grab: $grab"

    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$pid" 15 0 "zorbel after Escape"
    told=$(sed -n "${released_at},\$p" "$device_log" | strip | tr '\n' ';')
    [ "$told" = "event ff stop id=0;erase id=0;close;" ] || e2e_fail "from the release on the device was told: $told"
}

e2e_init "$build/e2e-device-artifacts" || exit 1
export XDG_RUNTIME_DIR=$E2E_TMP/run
mkdir -m 700 "$XDG_RUNTIME_DIR"

e2e_xvfb_start 24 1280x1024 || exit 1
e2e_case scaled-drag case_drag
e2e_summary
