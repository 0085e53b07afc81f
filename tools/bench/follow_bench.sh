#!/usr/bin/env bash
# Runs follow-bench (what following the cursor costs on Windows) under Wine
# on Xvfb, with the tests' XInput pad and no DirectInput device.
#
#   tools/bench/follow_bench.sh WINDOWS_BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: follow_bench.sh WINDOWS_BUILD_DIR}" && pwd)
. "$here/../../tests/e2e/lib.sh"

run_bench() {
    cp "$build/follow-bench.exe" "$build/taclib22.dll" "$build/tests/xinput/xinput1_4.dll" \
        "$build/tests/dinput/dinput8.dll" "$E2E_CASE_DIR/" || e2e_fail "cannot copy the benchmark"
    (cd "$E2E_CASE_DIR" && WINEDLLOVERRIDES="dinput8=n;xinput1_4=n" DINPUT_STANDIN_MODE=none \
        XINPUT_STANDIN_RECORD="Z:$E2E_CASE_DIR/pad.txt" XINPUT_STANDIN_TIMES=1 \
        "$E2E_WINE" ./follow-bench.exe "Z:$E2E_CASE_DIR/pad.txt") || e2e_fail "follow-bench failed"
}

e2e_init "$build/follow-bench-artifacts" || exit 1
e2e_wine_select "$build/follow-bench.exe" || exit 1
e2e_xvfb_start 16 || exit 1
e2e_prefix_create || exit 1
e2e_case follow-bench run_bench
e2e_summary
