#!/usr/bin/env bash
# Builds the native program and starts it full screen. Grab the band with the
# left mouse button, pull, let go; Escape quits.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup-debian.sh
cmake --preset native
cmake --build --preset native -j "$(nproc 2>/dev/null || echo 2)"
cd build/native
exec ./zorbel
