#!/usr/bin/env bash
# Builds the native program and starts it full screen. Grab the band with the
# left mouse button, pull, let go; Escape quits. Installs only what building
# and running it needs, and builds only the program (with its force-feedback
# library and the effect project beside it).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup-debian.sh run
cmake --preset native
cmake --build --preset native --target zorbel -j "$(nproc 2>/dev/null || echo 2)"
exec build/native/zorbel
