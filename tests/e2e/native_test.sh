#!/usr/bin/env bash
# End-to-end tests of the native program on Xvfb, as a user would meet it:
# start, grab, pull, launch, quit; a second copy; two copies at once; a close
# request; an unusable runtime folder; a screen too small for either display
# mode.
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
close_zorbel() { e2e_close_window "$1"; }
messages_shown() { cut -f2 "$E2E_CASE_DIR/messages-$1.log" 2>/dev/null; }
# The message box is a viewable window of the program's title that is not the
# program's own (hidden) window.
wait_message_box() {
    local deadline id
    deadline=$(e2e_deadline 30)
    until e2e_past "$deadline"; do
        for id in $(xwininfo -root -tree | awk -v t="\"$title\":" 'index($0, t) { print $1 }'); do
            if xwininfo -id "$id" | grep -q 'Map State: IsViewable' &&
                ! xwininfo -id "$id" | grep -q 'Width: 1024'; then
                E2E_WINDOW=$((id))
                e2e_log "message box window $id"
                return 0
            fi
        done
        sleep "$E2E_POLL"
    done
    e2e_fail "no message box titled '$title'"
}

# Two copies started in the same instant: one runs, the other ends with 0.
case_copies_at_once() {
    start_zorbel first
    local a=$E2E_PID
    start_zorbel second
    local b=$E2E_PID deadline
    deadline=$(e2e_deadline 20)
    while kill -0 "$a" 2>/dev/null && kill -0 "$b" 2>/dev/null; do
        e2e_past "$deadline" && { e2e_fail "both copies still run"; return; }
        sleep "$E2E_POLL"
    done
    local running=$a ended=$b
    kill -0 "$a" 2>/dev/null || { running=$b ended=$a; }
    e2e_expect_exit "$ended" 5 0 "the copy that found the other"
    e2e_wait_window "$title" 1024x768
    [ "$(e2e_windows "$title" | wc -l)" = 1 ] || e2e_fail "windows titled '$title': $(e2e_windows "$title")"
    e2e_key "$E2E_WINDOW" Escape
    e2e_expect_exit "$running" 15 0 "the running copy after Escape"
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

e2e_init "$build/e2e-artifacts" || exit 1
# Copies of one user share the single-instance folder; keep this run's own.
export XDG_RUNTIME_DIR=$E2E_TMP/run
mkdir -m 700 "$XDG_RUNTIME_DIR"

e2e_xvfb_start 24 || exit 1
e2e_case pull-and-launch case_pull_and_launch
e2e_case second-copy-and-close case_second_copy_and_close
e2e_case copies-at-once case_copies_at_once
e2e_case unusable-runtime-folder case_unusable_runtime_folder
e2e_xvfb_start 24 640x480 || exit 1
e2e_case refused-mode case_refused_mode
e2e_summary
