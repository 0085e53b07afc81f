#!/usr/bin/env bash
# The stand-in's frames against real GDI's under Wine, frame by frame (what
# gdi_diff.py compares and prints is said at its head):
#
#   tests/e2e/gdi_diff.sh BUILD_WINDOWS_DIR BUILD_NATIVE_DIR
exec python3 "$(dirname "$0")/gdi_diff.py" "$@"
