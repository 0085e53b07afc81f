#!/usr/bin/env bash
# The ThreadSanitizer build (the tsan preset) and its run: the in-process
# tests, the SDL host's tests on Xvfb, and the force devices end to end
# (e2e.device), where the library's follower thread meets the program's.
# Any report ends the test it happens in with a failure.
#
#   tools/test-tsan.sh
#
# It needs what tools/setup-debian.sh test installs.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset tsan
cmake --build --preset tsan -j "$jobs"
# The package and the fuzzer have builds of their own; nothing here is threaded.
ctest --preset tsan -j "$jobs" -LE 'e2e|fuzz' -E '^package[.]'
ctest --preset tsan -R '^(e2e[.]device|platform[.]sdl_host_on_xvfb)$'
