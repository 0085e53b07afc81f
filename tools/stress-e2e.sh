#!/usr/bin/env bash
# The native program's end-to-end suites, in the native and the sanitizer
# builds, run RUNS times over (5 by default) beside TEST_LOAD busy loops (2 by
# default), to show they hold on a loaded machine:
#
#   TEST_LOAD=2 tools/stress-e2e.sh [RUNS]
#
# Both builds must exist (tools/test-all.sh makes them). Prints each run's
# outcome and a closing "N passed, M failed"; fails if any run failed.
set -uo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "usage: stress-e2e.sh [RUNS]" >&2; exit 2; }
if [ -z "${ZORBEL_UNDER_LOAD:-}" ]; then
    ZORBEL_UNDER_LOAD=1 exec tools/with-load.sh "${TEST_LOAD:-2}" "$0" "$@"
fi
for build in native sanitize; do
    [ -f "build/$build/CTestTestfile.cmake" ] || { echo "no build/$build: run tools/test-all.sh first" >&2; exit 2; }
done
passed=0 failed=0
for ((run = 1; run <= runs; run++)); do
    for build in native sanitize; do
        log=build/$build/stress-e2e-$run.log
        if ctest --preset "$build" -L e2e -LE 'wine|fuzz' >"$log" 2>&1; then
            passed=$((passed + 1))
            echo "run $run, $build: passed"
        else
            failed=$((failed + 1))
            echo "run $run, $build: FAILED ($log)"
            grep -E 'FAIL|Failed|\*\*\*' "$log" | head -20
        fi
    done
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
