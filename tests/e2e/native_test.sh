#!/usr/bin/env bash
# End-to-end tests of the native program on Xvfb, as a user would meet it:
# start, grab, pull, launch, quit; a second copy; an unusable runtime folder;
# ending by signal, a lost or frozen display, a window destroyed by another
# client, a release while unmapped, closed descriptors and a small stack;
# a screen too small for either display mode or of too few colours, a
# signal to end while its message box waits, the smaller mode through a
# minimise and restore, and the screen changing size under the program.
#
#   tests/e2e/native_test.sh BUILD_DIR
#
# BUILD_DIR holds zorbel, libtaclib22.so and zorbel.hkr. Failure screenshots
# are kept in BUILD_DIR/e2e-artifacts.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: native_test.sh BUILD_DIR}" && pwd)
program=$build/zorbel
. "$here/lib.sh"
. "$here/cases.sh"

# Each copy writes the message boxes it shows to its own file.
start_zorbel() { ZORBEL_MESSAGE_LOG=$E2E_CASE_DIR/messages-$1.log e2e_start "$1" "$program"; }
# With no window manager on the server there is no close button; the window
# manager's close request is the stand-in's to turn into WM_CLOSE.
close_zorbel() { e2e_key "$1" Escape; }
messages_shown() { cut -f2 "$E2E_CASE_DIR/messages-$1.log" 2>/dev/null; }
# A window manager minimises a window by unmapping it; with none on the
# server, the test unmaps it itself.
minimise_zorbel() { xdotool windowunmap --sync "$1"; }

# The box reads on every depth: dark text on light grey (0xE0E0E0).
check_message_box() {
    local x y
    x=$(xwininfo -id "$1" | awk '/Absolute upper-left X/ { print $4 }')
    y=$(xwininfo -id "$1" | awk '/Absolute upper-left Y/ { print $4 }')
    e2e_screenshot "$E2E_ARTIFACTS/$E2E_CASE-box.png"
    e2e_expect_pixel $((x + 3)) $((y + 3)) 0x00E0E0E0 "the message box's background" 5
}

# A runtime folder that cannot hold the single-instance socket: said once,
# and the program runs all the same.
case_unusable_runtime_folder() {
    XDG_RUNTIME_DIR=/proc start_zorbel zorbel
    local pid=$E2E_PID
    e2e_wait_window "$title" 1024x768
    local said
    said=$(grep -c 'cannot look for another running copy: /proc/zorbel' "$E2E_CASE_DIR/zorbel.err")
    [ "$said" = 1 ] || e2e_fail "said $said times: $(cat "$E2E_CASE_DIR/zorbel.err")"
    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$pid" 15 0 "zorbel after Escape"
}

# Asked to end while its error box waits, the program ends, and the box and
# the single-copy lock go with it: the next start shows its own box.
case_signal_at_the_message_box() {
    start_zorbel zorbel
    local pid=$E2E_PID
    wait_message_box
    kill -TERM "$pid"
    e2e_expect_exit "$pid" 15 143 "zorbel after SIGTERM at the message box"
    box_gone() { ! xwininfo -root -tree | grep -q "\"$title\":"; }
    e2e_keep_trying 10 "the message box outlived the program" box_gone
    rm "$E2E_CASE_DIR/messages-zorbel.log"
    case_refused_mode
}

# The X server gone while the error box waits: said once, status 1.
case_lost_display_at_the_message_box() {
    start_zorbel zorbel
    local pid=$E2E_PID
    wait_message_box
    kill_the_x_server
    e2e_expect_exit "$pid" 15 1 "zorbel after losing its display at the message box"
    [ "$(grep -c 'lost the display' "$E2E_CASE_DIR/zorbel.err")" = 1 ] ||
        e2e_fail "it said: $(cat "$E2E_CASE_DIR/zorbel.err")"
}

# Holds the band with the simulated device, then ends the session by
# running "$@": the program must still stop and destroy the spring and
# release the device, and leave no socket behind.
held_then() {
    local log=$E2E_CASE_DIR/device.log pid
    TACLIB_DEVICE=sim TACLIB_LOG=$log start_zorbel zorbel
    pid=$E2E_PID
    e2e_wait_window "$title" 1024x768
    expect_rest 10
    e2e_press_and_pull 512 384 512 484 3
    e2e_keep_trying 10 'the spring never started: $(tail -3 "$log")' grep -q 'sim spring 1 start' "$log"
    "$@" "$pid"
    e2e_expect_exit "$pid" "${within:-15}" "$expected" "zorbel after $*"
    e2e_release 2>/dev/null
    [ "$(sed -n '/sim spring 1 start/,$p' "$log" | grep -c 'sim spring 1 destroy\|sim close')" = 2 ] ||
        e2e_fail "after the start the device was told: $(sed -n '/sim spring 1 start/,$p' "$log" | tr '\n' ';')"
    ! ls "$XDG_RUNTIME_DIR"/zorbel/*.sock 2>/dev/null || e2e_fail "a socket was left behind"
}
terminate() { kill -TERM "$1"; }
# Stops the X server, sends SIGTERM to PID and gives it 2 s to end; the
# server runs again before the case goes on either way.
freeze_and_terminate() {
    local deadline
    kill -STOP "$E2E_XVFB_PID" && kill -TERM "$1"
    deadline=$(e2e_deadline 2)
    while kill -0 "$1" 2>/dev/null && ! e2e_past "$deadline"; do
        sleep "$E2E_POLL"
    done
    ! kill -0 "$1" 2>/dev/null
    local ended=$?
    thaw
    [ "$ended" = 0 ] || e2e_fail "still running 2 s after SIGTERM on a frozen display"
}
thaw() { kill -CONT "$E2E_XVFB_PID"; }
destroy_window() { xdotool windowclose "$E2E_WINDOW"; }
hang_up() { kill -HUP "$1"; }
kill_the_x_server() { kill "$E2E_XVFB_PID"; }

# Asked to end, or its terminal closed, the program ends as after Escape.
case_terminate() { expected=0 held_then terminate; }
case_hang_up() { expected=0 held_then hang_up; }

# A lost display: one line saying so, status 1, after an orderly shutdown.
case_lost_display() {
    expected=1 held_then kill_the_x_server
    grep -qx 'zorbel: lost the display ":[0-9]*": the connection to the X server broke' "$E2E_CASE_DIR/zorbel.err" &&
        [ "$(wc -l <"$E2E_CASE_DIR/zorbel.err")" = 1 ] || e2e_fail "it said: $(cat "$E2E_CASE_DIR/zorbel.err")"
}

# A display that stops answering holds no signal up: the spring stops and
# the program ends within 2 s, held or still starting.
case_frozen_display() {
    local deadline
    within=1 expected=1 held_then freeze_and_terminate
    grep -qx 'zorbel: left the display ":[0-9]*": it stopped answering' "$E2E_CASE_DIR/zorbel.err" ||
        e2e_fail "it said: $(cat "$E2E_CASE_DIR/zorbel.err")"
    kill -STOP "$E2E_XVFB_PID"
    start_zorbel starting
    deadline=$(e2e_deadline 10)
    until ls -l "/proc/$E2E_PID/fd" 2>/dev/null | grep -q socket; do
        e2e_past "$deadline" && { thaw; e2e_fail "the program never reached the display"; }
        sleep "$E2E_POLL"
    done
    freeze_and_terminate "$E2E_PID"
    e2e_expect_exit "$E2E_PID" 1 143 "zorbel starting on a frozen display after SIGTERM"
}

# A window destroyed by another client: the orderly shutdown, one line.
case_window_destroyed() {
    expected=1 held_then destroy_window
    grep -qx 'zorbel: lost the window on the display ":[0-9]*": another program destroyed it' "$E2E_CASE_DIR/zorbel.err" &&
        [ "$(wc -l <"$E2E_CASE_DIR/zorbel.err")" = 1 ] || e2e_fail "it said: $(cat "$E2E_CASE_DIR/zorbel.err")"
}

# A release made while the window is unmapped lets the band go when it is
# back: the ball flies off, and the band takes a new pull.
case_release_while_unmapped() {
    start_zorbel zorbel
    local pid=$E2E_PID
    e2e_wait_window "$title" 1024x768
    expect_rest 10
    e2e_press_and_pull 512 384 512 484 3
    e2e_expect_pixel 512 484 0x000000FF "ball at the cursor" 3
    xdotool windowunmap --sync "$E2E_WINDOW"
    e2e_release
    xdotool windowmap --sync "$E2E_WINDOW"
    local reds deadline
    deadline=$(e2e_deadline 5)
    until reds=$(red_ball_pixels); [ "$reds" = 0 ] || e2e_past "$deadline"; do
        sleep "$E2E_POLL"
    done
    [ "$reds" = 0 ] || e2e_fail "the ball is still held after the window came back ($reds red pixels)"
    e2e_press_and_pull 512 384 512 584 3
    e2e_expect_pixel 512 584 0x000000FF "ball at the cursor of a new pull" 3
    e2e_release
    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$pid" 15 0 "zorbel after Escape"
}

# Started with its standard descriptors closed and a 64 KB stack: nothing
# of its own lands on descriptors 0-2, and it ends cleanly.
case_closed_descriptors_small_stack() {
    (
        cd "$build" && ulimit -s 64 && exec ./zorbel 0<&- 1>&- 2>&-
    ) &
    local pid=$! fd
    E2E_PIDS+=("$pid")
    e2e_wait_window "$title" 1024x768
    for fd in 0 1 2; do
        [ "$(readlink "/proc/$pid/fd/$fd")" = /dev/null ] ||
            e2e_fail "descriptor $fd is $(readlink "/proc/$pid/fd/$fd")"
    done
    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$pid" 15 0 "zorbel with a 64 KB stack after Escape"
}

# Pixel (X, Y) of the 1024 x 768 picture where a W x H screen shows it:
# scaled to fit with its aspect kept, centred.
shown_at() {
    local x=$1 y=$2 w=$3 h=$4 num=$4 den=768
    ((w * 768 < h * 1024)) && num=$w den=1024
    echo $(((w - 1024 * num / den) / 2 + x * num / den)) $(((h - 768 * num / den) / 2 + y * num / den))
}

# The screen made W x H while the program runs: the picture refits, and a
# pull from the band's shown centre takes the band and puts the ball under
# the cursor, 100 picture pixels below.
expect_refitted() {
    local w=$1 h=$2 tip centre held
    xrandr --fb "${w}x$h" 2>/dev/null # refused for the output, the screen resizes all the same
    [ "$(xwininfo -root | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')" = "${w}x$h" ] ||
        e2e_fail "the X server did not take the size ${w}x$h"
    e2e_wait_window "$title" "${w}x$h" 5
    read -r -a tip < <(shown_at 472 384 "$w" "$h")
    read -r -a centre < <(shown_at 512 384 "$w" "$h")
    read -r -a held < <(shown_at 512 484 "$w" "$h")
    e2e_expect_pixel "${tip[@]}" 0x000000FF "left tip on ${w}x$h" 5
    e2e_expect_pixel "${centre[@]}" 0x00FF0000 "band on ${w}x$h"
    e2e_press_and_pull "${centre[@]}" "${held[@]}" 5
    e2e_expect_pixel "${held[@]}" 0x000000FF "ball at the cursor on ${w}x$h" 3
    e2e_release
    e2e_expect_pixel "${centre[@]}" 0x00FF0000 "band at rest again on ${w}x$h" 5
}

# A server with no output on, and one refusing the authorization: one line
# each, naming the cause, and status 1.
case_no_screen_or_refused() {
    local out=$E2E_CASE_DIR/zorbel.err cookie=$E2E_CASE_DIR/cookie shown numfile=$E2E_CASE_DIR/display
    xrandr --output VNC-0 --off || e2e_fail "xrandr could not turn the output off"
    (cd "$build" && timeout 20 ./zorbel 2>"$out")
    shown=$?
    xrandr --output VNC-0 --auto
    [ "$shown" = 1 ] && [ "$(cat "$out")" = "zorbel: no display could be opened: the display \"$DISPLAY\" has no screen (no output is on)" ] ||
        e2e_fail "with no output on: status $shown, said: $(cat "$out")"
    xauth -f "$cookie" add :0 . 0123456789abcdef0123456789abcdef 2>/dev/null
    Xvfb -displayfd 3 -auth "$cookie" -nolisten tcp 3>"$numfile" 2>/dev/null &
    E2E_PIDS+=($!)
    e2e_keep_trying 10 "the refusing server did not start" grep -q '^[0-9]' "$numfile"
    (cd "$build" && DISPLAY=":$(cat "$numfile")" XAUTHORITY=/nonexistent timeout 20 ./zorbel 2>"$out")
    shown=$?
    [ "$shown" = 1 ] && [ "$(wc -l <"$out")" = 1 ] && grep -q 'refused the connection: no authorization' "$out" ||
        e2e_fail "with the authorization refused: status $shown, said: $(cat "$out")"
}

# The output's own mode changed back and forth with the band held: the
# sanitizer build must still end with no report.
switch_modes() {
    local size deadline
    for size in 800x600 1280x1024 800x600 1280x1024; do
        xrandr -s "$size" || e2e_fail "xrandr could not set the mode $size"
        deadline=$(e2e_deadline 5)
        until [ "$(xwininfo -root | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')" = "$size" ]; do
            e2e_past "$deadline" && e2e_fail "the screen never became $size"
            sleep "$E2E_POLL"
        done
    done
}

case_screen_resized() {
    start_zorbel zorbel
    local pid=$E2E_PID
    e2e_wait_window "$title" 1280x1024
    e2e_press_and_pull 640 512 640 600 3
    switch_modes
    # The release is read through the picture's scale, so it waits until the
    # program has refitted to the last mode: a nudge of the pointer brings a
    # motion through the new scale, and the ball is drawn under it again.
    xdotool mousemove 641 600 mousemove 640 600
    e2e_expect_pixel 640 600 0x000000FF "ball under the cursor after the mode changes" 5
    e2e_release
    e2e_expect_pixel 640 512 0x00FF0000 "band at rest after the mode changes" 5
    expect_refitted 800 600
    expect_refitted 1600 1000
    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$pid" 15 0 "zorbel after Escape"
}

e2e_init "$build/e2e-artifacts" || exit 1
e2e_xvfb_start 24 || exit 1
e2e_case pull-and-launch case_pull_and_launch
e2e_case second-copy-and-close case_second_copy_and_close
e2e_case unusable-runtime-folder case_unusable_runtime_folder
e2e_case terminate case_terminate
e2e_case hang-up case_hang_up
e2e_case window-destroyed case_window_destroyed
e2e_case release-while-unmapped case_release_while_unmapped
e2e_case closed-descriptors-small-stack case_closed_descriptors_small_stack
e2e_case frozen-display case_frozen_display
# The last on this server: it ends it.
e2e_case lost-display case_lost_display
e2e_xvfb_start 24 640x480 || exit 1
e2e_case refused-mode case_refused_mode
e2e_case signal-at-the-message-box case_signal_at_the_message_box
# The last on this server: it ends it.
e2e_case lost-display-at-the-message-box case_lost_display_at_the_message_box
e2e_xvfb_start 24 800x600 || exit 1
e2e_case fallback-minimised-and-restored case_fallback_minimised_and_restored
# A screen of 256 colours shows no 16-bit mode either: the same box.
e2e_xvfb_start 8 || exit 1
e2e_case eight-bit-screen case_refused_mode
for tool in Xvnc xrandr; do
    command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (see tools/setup-debian.sh)" >&2; exit 1; }
done
E2E_XSERVER=Xvnc e2e_xvfb_start 16 1280x1024 || exit 1
e2e_case screen-resized case_screen_resized
e2e_case no-screen-or-refused case_no_screen_or_refused
e2e_summary
