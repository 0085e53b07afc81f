# shellcheck shell=bash
# The end-to-end cases shared by the Windows program under Wine and the
# native program. The including script defines:
#   start_zorbel NAME      starts the program (env as given), sets E2E_PID
#   close_zorbel WINDOW    ends the program as a user would, with a close
#                          request where the screen has a way to send one
#   messages_shown NAME    prints the texts of the message boxes shown, one a
#                          line
#   minimise_zorbel WINDOW minimises the program's window as the screen's
#                          own user would, and waits until it is (a copy
#                          started with E2E_WATCH_WINDOWS=1 can be watched)

title="Zorbel Demo"

# The launcher at rest: a straight blue band between two red tips, around
# the centre (CX, CY), (512, 384) unless given. The tips are red all the
# time, so the band waits as long: after a launch it takes the ball's flight
# through the centre to come straight.
expect_rest() {
    local timeout=${1:-0} cx=${2:-512} cy=${3:-384}
    e2e_expect_pixel $((cx - 40)) "$cy" 0x000000FF "left tip at rest" "$timeout"
    e2e_expect_pixel "$cx" "$cy" 0x00FF0000 "band at rest" "$timeout"
    e2e_expect_pixel "$cx" $((cy - 84)) 0x00000000 "background above the launcher" "$timeout"
}

# Counts pure red pixels outside the fork: a ball still on the screen.
red_ball_pixels() {
    import -window root png:- | convert - -fill black -draw "rectangle 440,352 584,416" \
        -fill white -opaque '#FF0000' -fill black +opaque white -format '%[fx:round(mean*w*h)]' info:
}
no_red_ball() { [ "$(red_ball_pixels)" = 0 ]; }

case_pull_and_launch() {
    TACLIB_DEVICE=sim start_zorbel zorbel
    local pid=$E2E_PID
    e2e_wait_window "$title" 1024x768
    expect_rest 10

    # Held 200 pixels below the rest centre: the band, 7 pixels wide in
    # 0x00FF6300, wraps under the red ball.
    e2e_press_and_pull 512 384 512 584 10
    e2e_expect_pixel 512 584 0x000000FF "ball at the cursor" 3
    e2e_screenshot "$E2E_ARTIFACTS/held.png"
    e2e_expect_pixel 512 602 0x00FF6300 "band wrapped under the ball"

    # Let go: the ball leaves through the top, the launcher waits again.
    e2e_release
    expect_rest 5
    e2e_keep_trying 5 'a red ball is still on the screen after the launch ($(red_ball_pixels) red pixels)' no_red_ball

    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$pid" 15 0 "zorbel after Escape"
}

case_second_copy_and_close() {
    start_zorbel zorbel
    local pid=$E2E_PID
    e2e_wait_window "$title" 1024x768
    expect_rest 10
    local window=$E2E_WINDOW
    start_zorbel zorbel2
    e2e_expect_exit "$E2E_PID" 20 0 "the second copy"
    [ "$(e2e_windows "$title" | wc -l)" = 1 ] || e2e_fail "windows titled '$title': $(e2e_windows "$title")"
    expect_rest 2
    close_zorbel "$window"
    e2e_expect_exit "$pid" 15 0 "zorbel after being closed"
}

# The message box is a viewable window of the program's title other than the
# program's own full-screen one, which is still hidden then.
message_box_shown() {
    local id
    for id in $(xwininfo -root -tree | awk -v t="\"$title\":" 'index($0, t) { print $1 }'); do
        if xwininfo -id "$id" | grep -q 'Map State: IsViewable' && ! xwininfo -id "$id" | grep -q 'Width: 1024'; then
            E2E_WINDOW=$((id))
            e2e_log "message box window $id"
            return 0
        fi
    done
    return 1
}
wait_message_box() { e2e_keep_trying 30 "no message box titled '$title'" message_box_shown; }

# On a screen that refuses both 16-bit modes: one message box, and the
# program ends with status 1, a failed start, once it is dismissed. Where
# the including script defines check_message_box WINDOW, it looks at the box.
case_refused_mode() {
    start_zorbel zorbel
    local pid=$E2E_PID
    wait_message_box
    ! declare -F check_message_box >/dev/null || check_message_box "$E2E_WINDOW"
    shown_is() { [ "$(messages_shown zorbel)" = "$1" ]; }
    e2e_keep_trying 10 "message boxes shown: '\$(messages_shown zorbel)'" shown_is "SetDisplayMode FAILED"
    e2e_key "$E2E_WINDOW" Return
    e2e_expect_exit "$pid" 15 1 "zorbel after the message box"
}

# On a screen that offers 800 x 600 but not 1024 x 768 the program takes the
# smaller mode and its window covers it. Minimised, then brought back by a
# second copy, the window still covers that screen: the launcher stays in
# its middle, where a pull takes the band, and the spring is never centred
# anywhere else.
case_fallback_minimised_and_restored() {
    local log=$E2E_CASE_DIR/device.log
    E2E_WATCH_WINDOWS=1 TACLIB_DEVICE=sim TACLIB_LOG=$log start_zorbel zorbel
    local pid=$E2E_PID
    e2e_wait_window "$title" 800x600
    local window=$E2E_WINDOW
    expect_rest 10 400 300
    minimise_zorbel "$window"
    start_zorbel zorbel2
    e2e_expect_exit "$E2E_PID" 20 0 "the second copy"
    e2e_wait_window "$title" 800x600
    expect_rest 10 400 300
    e2e_press_and_pull 400 300 400 400 10
    e2e_expect_pixel 400 400 0x000000FF "ball at the cursor" 3
    e2e_release
    e2e_expect_pixel 400 300 0x00FF0000 "band at rest again" 5
    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$pid" 15 0 "zorbel after Escape"
    local centres
    centres=$(sed -n 's/^  sim spring 1 update centre=\([^ ]*\) .*/\1/p' "$log" | sort -u | tr '\n' ' ')
    [ "$centres" = "400,300 " ] || e2e_fail "the spring was centred at: ${centres:-nowhere}"
    [ "$(grep -c 'sim spring 1 start' "$log")" = 1 ] || e2e_fail "the spring did not start once: $(cat "$log")"
}
