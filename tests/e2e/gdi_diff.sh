#!/usr/bin/env bash
# The stand-in's frames against real GDI's under Wine, frame by frame:
#
#   tests/e2e/gdi_diff.sh BUILD_WINDOWS_DIR BUILD_NATIVE_DIR [--scripts N] [--seed S]
#
# BUILD_WINDOWS_DIR holds zorbel-gdi-paint.exe (either Windows preset),
# BUILD_NATIVE_DIR zorbel-trace. Prints "N frames identical, M differ"; the
# pictures of differing frames are kept in BUILD_WINDOWS_DIR/gdi-diff-artifacts.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
windows=${1:?usage: gdi_diff.sh BUILD_WINDOWS_DIR BUILD_NATIVE_DIR [--scripts N] [--seed S]}
native=${2:?usage: gdi_diff.sh BUILD_WINDOWS_DIR BUILD_NATIVE_DIR [--scripts N] [--seed S]}
shift 2
exec python3 "$here/gdi_diff.py" --windows "$windows" --native "$native" "$@"
