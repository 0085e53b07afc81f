#!/usr/bin/env bash
# Builds the native program and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup-debian.sh
cmake --preset native
cmake --build --preset native -j "$(nproc 2>/dev/null || echo 2)"
build/native/zorbel-trace examples/pull-and-launch.trace
