#!/usr/bin/env bash
# End-to-end tests of the Windows program under Wine on Xvfb, as a user would
# meet it: start, grab, pull, launch, quit; a second copy; a close request;
# the smaller display mode through a minimise and restore; a screen that
# refuses the display mode.
#
#   tests/e2e/wine_test.sh BUILD_DIR
#
# BUILD_DIR holds zorbel.exe, taclib22.dll and zorbel.hkr, of either Windows
# preset: the Wine loader and prefix follow the program's own header. What a
# failed case leaves (screenshots, the programs' output) is kept in
# BUILD_DIR/e2e-artifacts.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: wine_test.sh BUILD_DIR}" && pwd)
exe=$build/zorbel.exe
. "$here/lib.sh"
. "$here/cases.sh"

# Wine's message box trace names the text of each box the program opens.
start_zorbel() { WINEDEBUG=-all,+msgbox${E2E_WATCH_WINDOWS:+,+win} e2e_start "$1" "$exe"; }
close_zorbel() { e2e_key "$1" alt+F4; }
messages_shown() { sed -n 's/.*trace:msgbox:MSGBOX_OnInit L"\(.*\)"$/\1/p' "$E2E_CASE_DIR/$1.err"; }
# Another program coming to the front minimises a full-screen exclusive
# window: Wine's trace shows the window parked where Win32 keeps icons.
minimise_zorbel() {
    e2e_start notepad "$WINEPREFIX/drive_c/windows/system32/notepad.exe"
    local notepad=$E2E_PID
    e2e_wait_window "Untitled - Notepad"
    e2e_keep_trying 10 "the program's window was not minimised" \
        grep -q 'NtUserSetWindowPos hwnd 0x[0-9a-f]*, after (nil), -32000,-32000' "$E2E_CASE_DIR/zorbel.err"
    kill "$notepad"
}

e2e_init "$build/e2e-artifacts" || exit 1
"$here/check-exe.sh" "$exe" || exit 1
e2e_wine_select "$exe" || exit 1

e2e_xvfb_start 16 || exit 1
e2e_prefix_create || exit 1
e2e_case pull-and-launch case_pull_and_launch
e2e_case second-copy-and-close case_second_copy_and_close
# A screen of 800 x 600: Wine offers no 1024 x 768 mode on it.
e2e_xvfb_start 16 800x600 || exit 1
e2e_case fallback-minimised-and-restored case_fallback_minimised_and_restored
# A 24-bit screen: Wine offers no 16-bit mode on it.
e2e_xvfb_start 24 || exit 1
e2e_case refused-mode case_refused_mode
e2e_summary
