#!/usr/bin/env bash
# The Windows program's force feedback under Wine on Xvfb, as DirectInput is
# told it: the program, its library and the tests' own DirectInput
# (tests/dinput, chosen with WINEDLLOVERRIDES) in a folder of their own; real
# drags; the stand-in's record of every call checked against what
# taclib/README.md promises, in the normal run and in each way the device can
# fail.
#
#   tests/e2e/dinput_test.sh BUILD_DIR NATIVE_BUILD_DIR
#
# BUILD_DIR is a Windows build folder (either preset); NATIVE_BUILD_DIR the
# native one, whose taclib_spring_told says what a device is told, from the
# library's own core. What a failed case leaves is kept in
# BUILD_DIR/e2e-dinput-artifacts.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: dinput_test.sh BUILD_DIR NATIVE_BUILD_DIR}" && pwd)
spring_told=$(cd "${2:?usage: dinput_test.sh BUILD_DIR NATIVE_BUILD_DIR}" && pwd)/taclib_spring_told
[ -x "$spring_told" ] || { echo "e2e: no $spring_told (build the native preset)" >&2; exit 1; }
. "$here/lib.sh"
. "$here/cases.sh"

ok=0x00000000
# The spring as taclib/README.md promises it for 1024 x 768: stiffness 1000,
# saturation 10000, no dead band, centred on the rest centre, both axes.
condition="condition=0,1000,1000,10000,10000,0"

record() { cat "$E2E_CASE_DIR/record.txt" 2>/dev/null; }
pad_record() { cat "$E2E_CASE_DIR/pad.txt" 2>/dev/null; }
# Fails unless exactly N record lines match the extended regular expression.
expect_lines() {
    local n=${1:?} pattern=${2:?} seen
    seen=$(record | grep -cE -- "$pattern")
    [ "$seen" = "$n" ] || e2e_fail "$seen record lines match '$pattern', expected $n; the record: $(record | tr '\n' ';')"
}
in_record() { record | grep -qE -- "$1"; }
wait_line() {
    e2e_keep_trying 10 "nothing in the record matches '$1': \$(record | tr '\n' ';')" in_record "$1"
}

# Starts the program from a folder of its own (with the effect project given
# "project"), with the stand-in in MODE; with the tests' XInput too in
# PAD_MODE when that is set.
start_standin() {
    local mode=${1:?} project=${2:-} overrides=dinput8=n
    cp "$build/zorbel.exe" "$build/taclib22.dll" "$build/tests/dinput/dinput8.dll" "$E2E_CASE_DIR/" ||
        e2e_fail "cannot copy the program and the stand-in"
    [ "$project" = project ] && { cp "$build/zorbel.hkr" "$E2E_CASE_DIR/" || e2e_fail "no effect project"; }
    if [ -n "${PAD_MODE:-}" ]; then
        cp "$build/tests/xinput/xinput1_4.dll" "$E2E_CASE_DIR/" || e2e_fail "cannot copy the XInput stand-in"
        overrides+=";xinput1_4=n"
    fi
    WINEDLLOVERRIDES=$overrides DINPUT_STANDIN_MODE=$mode DINPUT_STANDIN_RECORD="Z:$E2E_CASE_DIR/record.txt" \
        XINPUT_STANDIN_MODE=${PAD_MODE:-} XINPUT_STANDIN_RECORD="Z:$E2E_CASE_DIR/pad.txt" \
        TACLIB_LOG="$E2E_CASE_DIR/taclib.log" e2e_start zorbel "$E2E_CASE_DIR/zorbel.exe"
    zorbel_pid=$E2E_PID
    e2e_wait_window "$title" 1024x768
    expect_rest 10
    # Wine loaded the stand-in, not its own DirectInput.
    wait_line "^DirectInput8Create instance=1 version=0x800 iid=IDirectInput8A outer=0 -> $ok\$"
}

# One drag from the rest centre 200 pixels down and back to rest; waits for
# the record to grow by at least one line on the grab when told "plays".
drag() {
    local before
    before=$(record | wc -l)
    e2e_press_and_pull 512 384 512 584 10
    e2e_expect_pixel 512 584 0x000000FF "ball at the cursor" 3
    e2e_release
    e2e_keep_trying 5 'a red ball is still on the screen after the launch ($(red_ball_pixels) red pixels)' no_red_ball
    expect_rest 5
    [ "${1:-}" != plays ] || [ "$(record | wc -l)" -gt "$before" ] || e2e_fail "the drag told DirectInput nothing"
}

# Escape ends the program with 0; then nothing is left referenced, loaded
# or playing, no call broke DirectInput's contract, and the library's log
# stayed short (at most LIMIT lines).
end_standin() {
    local limit=${1:?} lines
    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$zorbel_pid" 15 0 "zorbel after Escape"
    expect_lines 1 "^exit references=0 loaded=0 playing=0\$"
    expect_lines 0 "^(violation|unexpected)"
    lines=$(wc -l <"$E2E_CASE_DIR/taclib.log")
    e2e_log "the library logged $lines lines"
    [ "$lines" -le "$limit" ] || e2e_fail "the library logged $lines lines, more than $limit"
}

# The device as the library opens it: a force-feedback pointing device first,
# the mouse data format, exclusive and foreground-only on the program's own
# window, autocentre off.
expect_mouse_opened() {
    expect_lines 1 "^DirectInput::EnumDevices class=2 flags=0x101 "
    expect_lines 1 "^DirectInput::EnumDevices class=2 flags=0x101 reported=1 -> $ok\$"
    expect_lines 1 "^Device::SetDataFormat format=mouse2 .* -> $ok\$"
    expect_lines 1 "^Device::SetCooperativeLevel flags=0x5 window=1 toplevel=1 ours=1 -> $ok\$"
    expect_lines 1 "^Device::SetProperty property=9 size=20 header=16 obj=0 how=0 autocenter=0 -> $ok\$"
}

# Every press starts the spring alone, once, every release stops it; nothing
# else is created, started or stopped; at the end the spring is unloaded and
# every interface released.
expect_played() {
    local drags=${1:?}
    expect_lines 1 "^Device::CreateEffect "
    expect_lines 1 "^Device::CreateEffect guid=spring size=[0-9]+ flags=0x12 duration=4294967295 sampleperiod=0 gain=10000 trigger=0xffffffff repeat=0 axes=2 axis=0,4 direction=-?[0-9]+,-?[0-9]+ envelope=none typespecific=48 $condition $condition startdelay=0 effect=1 -> $ok\$"
    expect_lines "$drags" "^Effect::Start effect=1 iterations=1 flags=0x1 -> $ok\$"
    expect_lines "$drags" "^Effect::Stop effect=1 -> $ok\$"
    local order
    order=$(record | grep -E "^Effect::St(art|op) .* -> $ok\$" | cut -d' ' -f1 | tr '\n' ' ')
    [ "$order" = "$(printf 'Effect::Start Effect::Stop %.0s' $(seq "$drags"))" ] ||
        e2e_fail "starts and stops out of turn: $order"
    expect_lines 1 "^Effect::Unload effect=1 -> $ok\$"
    expect_lines 1 "^Effect::Release refs=0 "
    expect_lines 1 "^Device::Release refs=0 "
    expect_lines 1 "^DirectInput::Release refs=0 "
}

case_project_spring() {
    start_standin pointer project
    expect_mouse_opened
    drag plays
    drag plays
    end_standin 20
    grep -q '^  found zorbel.hkr' "$E2E_CASE_DIR/taclib.log" || e2e_fail "the effect project was not read"
    expect_played 2
}

case_built_in_spring() {
    start_standin pointer
    drag plays
    end_standin 20
    grep -q '^  found' "$E2E_CASE_DIR/taclib.log" && e2e_fail "an effect project was read"
    expect_mouse_opened
    expect_played 1
}

# Fails unless the push A,B is within one of C,D (a direction's rounding).
near() {
    local a=${1%,*} b=${1#*,} c=${2%,*} d=${2#*,}
    [ $((a - c)) -ge -1 ] && [ $((a - c)) -le 1 ] && [ $((b - d)) -ge -1 ] && [ $((b - d)) -le 1 ]
}

# The forces a KIND of device (joystick, wheel, pad) was told since record
# line BEFORE, one a line: the push "X,Y" of each constant force played, or
# the motor speeds "LEFT,RIGHT" of each rumble.
told_since() {
    case ${1:?} in
        pad) pad_record | sed -n "$((${2:?} + 1)),\$p" |
            sed -nE 's/^XInputSetState user=1 left=([0-9]+) right=([0-9]+) -> 0$/\1,\2/p' ;;
        *) record | sed -n "$((${2:?} + 1)),\$p" | grep -E '^Effect::SetParameters .* -> 0x0000000[0-9]$' |
            grep -oE 'pushes=-?[0-9]+,-?[0-9]+' | cut -d= -f2 ;;
    esac
}

# What a KIND of device is told with the cursor at (X, Y), the spring of
# stiffness 1000 centred on the rest centre of the 1024 x 768 mode: the
# spring's force; its horizontal part on a wheel; on a pad both motors' speed.
expected_at() {
    "$spring_told" "${1:?}" "${2:?}" "${3:?}" || e2e_fail "taclib_spring_told $*: no answer"
}

# Grabs the band at rest, holds it there, pulls it to (X, Y) in ten steps and
# lets go (a pull to the side leaves the launcher swinging for a while), on a
# KIND of device. Nothing may be felt at rest; each force told during the
# pull must be what the device is told at a step of the pull (expected_at),
# later steps later, ending with the last step's; the release must silence
# it (a stop, or a rumble of 0), and nothing may follow. Counts the forces
# told in $forces.
felt_drag() {
    local x1=${1:?} y1=${2:?} kind=${3:?} before pad_before i push step=0 deadline
    before=$(record | wc -l)
    pad_before=$(pad_record | wc -l)
    [ "$kind" = pad ] && before=$pad_before
    xdotool mousemove 512 384 mousedown 1 && e2e_expect_pixel 512 374 0x000000FF "ball grabbed under the pressed cursor" 5
    [ -z "$(told_since "$kind" "$before" | grep -v '^0,0$')" ] ||
        e2e_fail "a force with the band held at rest: $(told_since "$kind" "$before" | tr '\n' ';')"
    # Each step waits until the device holds that step's force: the force
    # follows the pointer, however the follower is paced.
    for ((i = 1; i <= 10; i++)); do
        local x=$((512 + (x1 - 512) * i / 10)) y=$((384 + (y1 - 384) * i / 10))
        xdotool mousemove "$x" "$y"
        e2e_keep_trying 5 "step $i of the pull, at ($x, $y): the device was told \$(told_since $kind $before | tail -n 1), not \$(expected_at $kind $x $y)" \
            last_told_near "$kind" "$before" "$x" "$y"
    done
    e2e_release
    deadline=$(e2e_deadline 5)
    until record | sed -n "$((before + 1)),\$p" | grep -q '^Effect::Stop' ||
        { [ "$kind" = pad ] && [ "$(told_since pad "$before" | tail -n 1)" = 0,0 ]; }; do
        e2e_past "$deadline" && e2e_fail "the release silenced nothing: $(told_since "$kind" "$before" | tr '\n' ';')"
        sleep "$E2E_POLL"
    done
    # Nothing may follow the release: half a second of silence is the point.
    sleep 0.5
    forces=0
    while read -r push; do
        [ "$push" = 0,0 ] && continue
        until near "$push" "$(expected_at "$kind" $((512 + (x1 - 512) * step / 10)) $((384 + (y1 - 384) * step / 10)))"; do
            step=$((step + 1))
            [ "$step" -le 10 ] || e2e_fail "the force $push is not the spring's at a later step of the pull"
        done
        forces=$((forces + 1))
    done < <(told_since "$kind" "$before")
    [ "$step" = 10 ] || e2e_fail "the last force is not the spring's at the end of the pull ($push, step $step)"
    if [ "$kind" = pad ]; then
        [ "$(told_since pad "$before" | tail -n 1)" = 0,0 ] ||
            e2e_fail "a rumble after the release: $(told_since pad "$before" | tr '\n' ';')"
    else
        [ "$(record | sed -n "$((before + 1)),\$p" | sed -n '/^Effect::Stop/,$p' | sed 1d)" = "" ] ||
            e2e_fail "something after the release's stop: $(record | sed -n '/^Effect::Stop/,$p' | tr '\n' ';')"
    fi
    e2e_keep_trying 5 'a red ball is still on the screen after the launch ($(red_ball_pixels) red pixels)' no_red_ball
}

# Whether the last force a KIND of device was told since record line BEFORE
# is what it is told with the cursor at (X, Y).
last_told_near() {
    local last
    last=$(told_since "${1:?}" "${2:?}" | tail -n 1)
    [ -n "$last" ] && near "$last" "$(expected_at "$1" "${3:?}" "${4:?}")"
}

# A force joystick: the spring's force as one constant force on its two
# actuator axes (X and Y by their object identifiers), following the cursor.
case_joystick() {
    start_standin joystick
    felt_drag 512 584 joystick
    e2e_log "a straight pull played $forces forces"
    [ "$forces" -ge 10 ] || e2e_fail "only $forces forces followed a pull of ten steps"
    expect_rest 5
    felt_drag 612 584 joystick
    end_standin 20
    expect_lines 1 "^DirectInput::EnumDevices class=2 flags=0x101 reported=0 -> $ok\$"
    expect_lines 1 "^DirectInput::EnumDevices class=4 flags=0x101 reported=1 -> $ok\$"
    expect_lines 1 "^Device::SetDataFormat format=joystick2 .* -> $ok\$"
    expect_lines 1 "^Device::SetProperty .* autocenter=0 -> $ok\$"
    expect_lines 1 "^Device::CreateEffect guid=constant .* flags=0x11 duration=4294967295 .* axes=2 axis=16777218,16777474 .* constant=0 startdelay=0 pushes=0,0 effect=1 -> $ok\$"
    # The measured points: 200 px straight down; 100 px right and 200 down.
    expect_lines 1 "^Effect::SetParameters .* pushes=0,-520 -> $ok\$"
    expect_lines 1 "^Effect::SetParameters .* pushes=-195,-520 -> $ok\$"
    expect_lines 2 "^Effect::SetParameters effect=1 params=0x20000140 "
    expect_lines 2 "^Effect::Stop effect=1 -> $ok\$"
    expect_lines 1 "^Effect::Unload effect=1 -> $ok\$"
    expect_lines 1 "^Device::Release refs=0 "
    expect_lines 1 "^DirectInput::Release refs=0 "
}

# A wheel: the horizontal part of the spring's force on its one actuator.
case_wheel() {
    start_standin wheel
    felt_drag 612 584 wheel
    end_standin 20
    expect_lines 1 "^Device::CreateEffect guid=constant .* axes=1 axis=16777218 .* -> $ok\$"
    expect_lines 1 "^Effect::SetParameters .* direction=-1 .* constant=-195 pushes=-195,0 -> $ok\$"
}

# An XInput pad (the second user; no DirectInput device): its rumble.
case_pad() {
    PAD_MODE=pad start_standin none
    felt_drag 512 584 pad
    end_standin 20
    grep -qE '^XInputGetState user=0 -> 1167$' <(pad_record) || e2e_fail "the first user was not asked for"
    grep -qE '^XInputSetState user=1 left=3407 right=3407 -> 0$' <(pad_record) ||
        e2e_fail "no full pull's rumble: $(pad_record | tr '\n' ';')"
    [ "$(pad_record | tail -n 1)" = "exit left=0 right=0" ] || e2e_fail "the pad still rumbles at exit"
}

# Devices pulled out mid-drag: the joystick, then the pad that replaced it at
# the next press; at the third press no device is left. The program runs on,
# silent, each device told nothing more once it failed, and nothing is left
# held or turning.
case_unplugged() {
    PAD_MODE=unplugged start_standin joystick-unplugged
    drag plays
    # Each device is pulled out after its third force, however many drags
    # that takes; then one more press finds no device.
    local drags=1
    until grep -q 'no device to replace the lost one' "$E2E_CASE_DIR/taclib.log"; do
        [ "$drags" -lt 8 ] || e2e_fail "no press found both devices gone: $(tr '\n' ';' <"$E2E_CASE_DIR/taclib.log")"
        drag
        drags=$((drags + 1))
    done
    end_standin 30
    local after
    after=$(record | sed -n '/^note the device was unplugged$/,$p')
    [ -n "$after" ] || e2e_fail "the joystick was not pulled out: $(record | tr '\n' ';')"
    # The call that finds it gone is a new force, or the release's stop when
    # the pull ended first; either way it is the last it is told.
    [ "$(grep -cE '^Effect::(SetParameters|Start|Stop)' <<<"$after")" = 1 ] ||
        e2e_fail "the pulled-out joystick was told more than once: $(tr '\n' ';' <<<"$after")"
    after=$(pad_record | sed -n '/^note the pad was unplugged$/,$p')
    [ -n "$after" ] || e2e_fail "the pad did not replace the joystick: $(pad_record | tr '\n' ';')"
    [ "$(grep -c '^XInputSetState' <<<"$after")" = 1 ] ||
        e2e_fail "the pulled-out pad was told more than once: $(tr '\n' ';' <<<"$after")"
    [ "$(pad_record | tail -n 1)" = "exit left=0 right=0" ] || e2e_fail "the pad still rumbles at exit"
    [ "$(grep -c 'a device replaces the lost one' "$E2E_CASE_DIR/taclib.log")" = 1 ] ||
        e2e_fail "not one replacement: $(tr '\n' ';' <"$E2E_CASE_DIR/taclib.log")"
}

# No device, or none the library can use: the program runs without force.
case_no_device() {
    start_standin none
    drag
    drag
    end_standin 20
    expect_lines 0 "^DirectInput::CreateDevice"
    expect_lines 1 "^DirectInput::Release refs=0 "
}

case_level_refused() {
    start_standin level-refused
    drag
    drag
    end_standin 20
    expect_lines 0 "^Device::CreateEffect"
    expect_lines 1 "^Device::Release refs=0 "
}

case_effect_refused() {
    start_standin effect-refused
    drag
    drag
    end_standin 20
    expect_lines 1 "^Device::CreateEffect guid=spring .* -> 0x80040201\$"
    expect_lines 0 "^Effect::"
    expect_lines 1 "^Device::Release refs=0 "
}

# The first Start finds the device unacquired: the library acquires it and
# starts again, and every later press plays as usual.
case_start_not_acquired() {
    start_standin start-not-acquired
    drag plays
    drag plays
    end_standin 20
    expect_lines 1 "^Effect::Start effect=1 .* -> 0x80040205\$"
    expect_lines 2 "^Effect::Start effect=1 iterations=1 flags=0x1 -> $ok\$"
    expect_played 2
}

# The device is lost once the first Start played: the release's Stop finds
# it lost. DirectInput's answer is to acquire the device again, and the next
# press plays.
case_device_lost() {
    start_standin lost
    drag plays
    drag plays
    end_standin 20
    local after
    after=$(record | sed -n '/^Effect::Stop effect=1 -> 0x8007001e$/,$p')
    [ -n "$after" ] || e2e_fail "the release found the device not lost: $(record | tr '\n' ';')"
    grep -qE "^Device::Acquire -> $ok\$" <<<"$after" &&
        grep -qE "^Effect::Start effect=1 iterations=1 flags=0x1 -> $ok\$" <<<"$after" ||
        e2e_fail "the lost device was not acquired again on the next press: $(tr '\n' ';' <<<"$after")"
    expect_lines 2 "^Effect::Start effect=1 iterations=1 flags=0x1 -> $ok\$"
}

# With the band held another program comes to the front: DirectInput drops
# the foreground-only device and the full-screen window is minimised. The
# spring must be stopped and never centred off the screen; a second copy of
# the program brings the first back, whose next drag plays.
case_foreground_lost() {
    start_standin pointer
    e2e_press_and_pull 512 384 512 584 10
    e2e_expect_pixel 512 584 0x000000FF "ball at the cursor" 3
    wait_line "^Effect::Start effect=1 .* -> $ok\$"
    local starts
    starts=$(record | wc -l)
    e2e_start notepad "$WINEPREFIX/drive_c/windows/system32/notepad.exe"
    local notepad=$E2E_PID
    e2e_wait_window "Untitled - Notepad"
    wait_line "^(note the window left the foreground|Effect::Stop|Device::Unacquire)"
    e2e_release
    kill "$notepad"
    local restored
    restored=$(record | wc -l)
    e2e_start zorbel2 "$E2E_CASE_DIR/zorbel.exe"
    e2e_expect_exit "$E2E_PID" 20 0 "the second copy"
    # The release never reached the program, which still holds the band.
    e2e_wait_window "$title" 1024x768
    drag plays
    end_standin 20
    local after faults=""
    after=$(record | sed -n "$((starts + 1)),\$p")
    sed -n "1,$((restored - starts))p" <<<"$after" | grep -qE '^Effect::Stop' ||
        faults+="no Stop when the window left the front; "
    grep -qE 'condition=-?[1-9]' <<<"$after" &&
        faults+="a centre off the rest centre: $(grep -oE 'condition=-?[1-9][^ ]*' <<<"$after" | head -n 1); "
    # The grab; the window back in front with the band still held (its
    # release went to the other window); the next grab.
    expect_lines 3 "^Effect::Start effect=1 iterations=1 flags=0x1 -> $ok\$"
    [ -z "$faults" ] || e2e_fail "$faults"
}

# The library's list of devices (tests/dinput/devices.cpp) with the
# stand-in in MODE and the tests' XInput in PAD_MODE: the list that opening
# goes through too.
devices_listed() {
    cp "$build/taclib22.dll" "$build/tests/dinput/taclib_devices.exe" "$build/tests/dinput/dinput8.dll" \
        "$build/tests/xinput/xinput1_4.dll" "$E2E_CASE_DIR/" || e2e_fail "cannot copy the library and the stand-ins"
    (cd "$E2E_CASE_DIR" && WINEDLLOVERRIDES="dinput8=n;xinput1_4=n" DINPUT_STANDIN_MODE=$1 \
        XINPUT_STANDIN_MODE=$2 timeout 60 "$E2E_WINE" ./taclib_devices.exe 2>>"$E2E_CASE_DIR/devices.err" |
        tr -d '\r')
}

# The devices listed best first, the first one used: a force-feedback mouse
# before a game controller's constant force before a pad's rumble; with none,
# why each kind is missing.
case_devices() {
    local shown
    shown=$(devices_listed joystick pad)
    [ "$shown" = 'DirectInput "Force-feedback joystick": constant-force controller: the spring'"'"'s force at the pointer as a constant force (used)
XInput pad 1: rumble pad, passed over for the one above' ] || e2e_fail "with a joystick and a pad it listed: $shown"
    shown=$(devices_listed pointer pad)
    [ "$(head -n 1 <<<"$shown")" = 'DirectInput "Force-feedback mouse": force-feedback pointing device: plays the spring itself (used)' ] &&
        [ "$(wc -l <<<"$shown")" = 2 ] || e2e_fail "with a mouse and a pad it listed: $shown"
    shown=$(devices_listed none none)
    [ "$shown" = "no force-feedback device: no force-feedback pointing device; no force-feedback game controller; no XInput pad connected: the spring is not felt" ] ||
        e2e_fail "with none it listed: $shown"
}

e2e_init "$build/e2e-dinput-artifacts" || exit 1
e2e_wine_select "$build/zorbel.exe" || exit 1
e2e_xvfb_start 16 || exit 1
e2e_prefix_create || exit 1
e2e_case project-spring case_project_spring
e2e_case built-in-spring case_built_in_spring
e2e_case joystick case_joystick
e2e_case wheel case_wheel
e2e_case pad case_pad
e2e_case unplugged case_unplugged
e2e_case no-device case_no_device
e2e_case level-refused case_level_refused
e2e_case effect-refused case_effect_refused
e2e_case start-not-acquired case_start_not_acquired
e2e_case device-lost case_device_lost
e2e_case foreground-lost case_foreground_lost
e2e_case devices case_devices
e2e_summary
