#!/usr/bin/env bash
# Builds everything and runs every test: the native build, the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup-debian.sh

jobs=$(nproc 2>/dev/null || echo 2)

echo "== native build and tests"
cmake --preset native
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

echo "== sanitizer build and tests"
cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

echo "== all tests passed"
