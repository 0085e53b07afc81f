#!/usr/bin/env bash
# The Windows program's force feedback under Wine on Xvfb, as DirectInput is
# told it: the program, its library and the tests' own DirectInput
# (tests/dinput, chosen with WINEDLLOVERRIDES) in a folder of their own; real
# drags; the stand-in's record of every call checked against what
# taclib/README.md promises, in the normal run and in each way the device can
# fail.
#
#   tests/e2e/dinput_test.sh BUILD_DIR
#
# BUILD_DIR is a Windows build folder (either preset). What a failed case
# leaves is kept in BUILD_DIR/e2e-dinput-artifacts.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: dinput_test.sh BUILD_DIR}" && pwd)
. "$here/lib.sh"
. "$here/cases.sh"

ok=0x00000000
# The spring as taclib/README.md promises it for 1024 x 768: stiffness 1000,
# saturation 10000, no dead band, centred on the rest centre, both axes.
condition="condition=0,1000,1000,10000,10000,0"

record() { cat "$E2E_CASE_DIR/record.txt" 2>/dev/null; }
# Fails unless exactly N record lines match the extended regular expression.
expect_lines() {
    local n=${1:?} pattern=${2:?} seen
    seen=$(record | grep -cE -- "$pattern")
    [ "$seen" = "$n" ] || e2e_fail "$seen record lines match '$pattern', expected $n; the record: $(record | tr '\n' ';')"
}
wait_line() {
    local deadline
    deadline=$(e2e_deadline 10)
    until record | grep -qE -- "$1"; do
        e2e_past "$deadline" && e2e_fail "nothing in the record matches '$1': $(record | tr '\n' ';')"
        sleep "$E2E_POLL"
    done
}

# Starts the program from a folder of its own (with the effect project given
# "project"), with the stand-in in MODE.
start_standin() {
    local mode=${1:?} project=${2:-}
    cp "$build/zorbel.exe" "$build/taclib22.dll" "$build/tests/dinput/dinput8.dll" "$E2E_CASE_DIR/" ||
        e2e_fail "cannot copy the program and the stand-in"
    [ "$project" = project ] && { cp "$build/zorbel.hkr" "$E2E_CASE_DIR/" || e2e_fail "no effect project"; }
    WINEDLLOVERRIDES=dinput8=n DINPUT_STANDIN_MODE=$mode DINPUT_STANDIN_RECORD="Z:$E2E_CASE_DIR/record.txt" \
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
    local deadline
    deadline=$(e2e_deadline 5)
    until [ "$(red_ball_pixels)" = 0 ] || e2e_past "$deadline"; do sleep "$E2E_POLL"; done
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

# Failing a pointing device, a game controller, with its own data format
# and axes.
case_game_controller() {
    start_standin gamectrl
    drag plays
    end_standin 20
    expect_lines 1 "^DirectInput::EnumDevices class=2 flags=0x101 reported=0 -> $ok\$"
    expect_lines 1 "^DirectInput::EnumDevices class=4 flags=0x101 reported=1 -> $ok\$"
    expect_lines 1 "^Device::SetDataFormat format=joystick2 .* -> $ok\$"
    expect_lines 1 "^Device::CreateEffect guid=spring .* axes=2 axis=0,4 .* $condition $condition .* -> $ok\$"
    expect_lines 1 "^Effect::Start effect=1 iterations=1 flags=0x1 -> $ok\$"
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
    expect_lines 2 "^Effect::Start effect=1 iterations=1 flags=0x1 -> $ok\$"
    [ -z "$faults" ] || e2e_fail "$faults"
}

e2e_init "$build/e2e-dinput-artifacts" || exit 1
e2e_wine_select "$build/zorbel.exe" || exit 1
e2e_xvfb_start 16 || exit 1
e2e_prefix_create || exit 1
e2e_case project-spring case_project_spring
e2e_case built-in-spring case_built_in_spring
e2e_case game-controller case_game_controller
e2e_case no-device case_no_device
e2e_case level-refused case_level_refused
e2e_case effect-refused case_effect_refused
e2e_case start-not-acquired case_start_not_acquired
e2e_case device-lost case_device_lost
e2e_case foreground-lost case_foreground_lost
e2e_summary
