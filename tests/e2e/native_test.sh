#!/usr/bin/env bash
# End-to-end tests of the native program on Xvfb, as a user would meet it:
# start, grab, pull, launch, quit; a second copy; a close request; a screen
# too small for either display mode.
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

start_zorbel() { e2e_start "$1" "$program"; }
close_zorbel() { e2e_close_request wm "$1"; }
messages_shown() { echo unknown; }
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

e2e_init "$build/e2e-artifacts" || exit 1
# Copies of one user share the single-instance folder; keep this run's own.
XDG_RUNTIME_DIR=$(mktemp -d "${TMPDIR:-/tmp}/zorbel-run.XXXXXX")
chmod 700 "$XDG_RUNTIME_DIR"
export XDG_RUNTIME_DIR

e2e_xvfb_start 24 || exit 1
e2e_case pull-and-launch case_pull_and_launch
e2e_case second-copy-and-close case_second_copy_and_close
e2e_xvfb_start 24 640x480 || exit 1
e2e_case refused-mode case_refused_mode
e2e_summary
status=$?
rm -rf "$XDG_RUNTIME_DIR"
exit $status
