#!/usr/bin/env bash
# End-to-end tests of the Windows program under Wine on Xvfb, as a user would
# meet it: start, grab, pull, launch, quit; a second copy; a close request;
# a screen that refuses the display mode.
#
#   tests/e2e/wine_test.sh BUILD_DIR
#
# BUILD_DIR holds zorbel.exe, taclib22.dll and zorbel.hkr. Failure
# screenshots are kept in BUILD_DIR/e2e-artifacts.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: wine_test.sh BUILD_DIR}" && pwd)
exe=$build/zorbel.exe
. "$here/lib.sh"

e2e_init "$build/e2e-artifacts" || exit 1
"$here/check-exe.sh" "$exe" || exit 1

title="Zorbel Demo"

# The launcher at rest: a straight blue band between two red tips.
expect_rest() {
    e2e_expect_pixel 472 384 0x000000FF "left tip at rest" "${1:-0}"
    e2e_expect_pixel 552 384 0x000000FF "right tip at rest"
    e2e_expect_pixel 512 384 0x00FF0000 "band at rest"
    e2e_expect_pixel 512 300 0x00000000 "background above the launcher"
}

pull_and_launch() {
    local log=$E2E_TMP/taclib.log
    TACLIB_DEVICE=sim TACLIB_LOG=$log e2e_wine_start zorbel "$exe"
    local pid=$E2E_PID
    e2e_wait_window "$title" 1024x768
    expect_rest 10

    # Held 200 pixels below the rest centre: the band, 7 pixels wide in
    # 0x00FF6300, runs from the tips down and wraps under the red ball.
    e2e_press_and_pull 512 384 512 584 10
    sleep 0.5
    e2e_screenshot "$E2E_ARTIFACTS/held.png"
    e2e_expect_pixel 512 584 0x000000FF "ball at the cursor" 3
    e2e_expect_pixel 512 602 0x00FF6300 "band wrapped under the ball"
    e2e_expect_pixel 482 484 0x00FF6300 "band between left tip and ball"
    e2e_expect_pixel 542 484 0x00FF6300 "band between ball and right tip"
    e2e_expect_pixel 472 384 0x000000FF "left tip while held"

    # Let go: the ball leaves through the top, the launcher waits again.
    e2e_release
    sleep 1.5
    expect_rest 5
    local shot=$E2E_TMP/after.png
    e2e_screenshot "$shot"
    local reds
    reds=$(convert "$shot" -fill black -draw "rectangle 440,352 584,416" \
        -fill white -opaque '#FF0000' -fill black +opaque white -format '%[fx:mean*w*h]' info:)
    [ "${reds%.*}" = 0 ] || e2e_fail "a red ball is still on the screen after the launch ($reds red pixels)"

    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$pid" 15 0 "zorbel after Escape"

    # The spring: started on the grab, stopped on the release, then the
    # spring, the project and the device destroyed in that order.
    local order
    order=$(grep -oE '^CTac(Spring::(Start|Stop|~CTacSpring)|Project::~CTacProject|Mouse::~CTacMouse)' "$log" | tr '\n' ' ')
    [ "$order" = "CTacSpring::Start CTacSpring::Stop CTacSpring::~CTacSpring CTacProject::~CTacProject CTacMouse::~CTacMouse " ] ||
        e2e_fail "spring calls were: $order"
}

second_copy_and_close() {
    e2e_wine_start zorbel "$exe"
    local pid=$E2E_PID
    e2e_wait_window "$title" 1024x768
    expect_rest 10
    local window=$E2E_WINDOW
    e2e_wine_start zorbel2 "$exe"
    e2e_expect_exit "$E2E_PID" 20 0 "the second copy"
    [ "$(e2e_windows "$title" | wc -l)" = 1 ] || e2e_fail "windows titled '$title': $(e2e_windows "$title")"
    expect_rest 2
    e2e_close_request keys "$window"
    e2e_expect_exit "$pid" 15 0 "zorbel after a close request"
}

refused_mode() {
    E2E_WINEDEBUG=-all,+msgbox e2e_wine_start zorbel "$exe"
    local pid=$E2E_PID
    e2e_wait_window "$title"
    sleep 1
    local texts
    texts=$(e2e_msgbox_texts zorbel)
    [ "$texts" = "SetDisplayMode FAILED" ] || e2e_fail "message boxes shown: '$texts'"
    e2e_key "$E2E_WINDOW" Return
    e2e_expect_exit "$pid" 15 0 "zorbel after the message box"
}

e2e_xvfb_start 16 || exit 1
e2e_prefix_create || exit 1
e2e_case pull-and-launch pull_and_launch
e2e_case second-copy-and-close second_copy_and_close
e2e_xvfb_start 24 || exit 1
e2e_case refused-mode refused_mode
e2e_summary
