#!/usr/bin/env bash
# Builds everything and runs every test: the native build, its tests and the
# native program end to end on Xvfb; the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer; and the 32-bit Windows program end to end under
# Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup-debian.sh

jobs=$(nproc 2>/dev/null || echo 2)

echo "== native build and tests"
cmake --preset native
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"
tests/e2e/native_test.sh build/native

echo "== sanitizer build and tests"
cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

echo "== Windows build and tests under Wine"
cmake --preset windows
cmake --build --preset windows -j "$jobs"
tests/e2e/wine_test.sh build/windows

echo "== all tests passed"
