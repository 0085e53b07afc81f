#!/usr/bin/env bash
# The stand-in's frames against real GDI's under Wine, frame by frame (what
# gdi_diff.py compares and prints is said at its head). The Wine loader and
# the prefix are lib.sh's, as for every other Windows test:
#
#   tests/e2e/gdi_diff.sh BUILD_WINDOWS_DIR BUILD_NATIVE_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: gdi_diff.sh BUILD_WINDOWS_DIR BUILD_NATIVE_DIR}" && pwd)
[ -f "$build/zorbel-gdi-paint.exe" ] || { echo "gdi_diff: no zorbel-gdi-paint.exe in $build" >&2; exit 1; }
. "$here/lib.sh"
e2e_init "$build/gdi-diff-artifacts" || exit 1
e2e_wine_select "$build/zorbel-gdi-paint.exe" || exit 77
e2e_prefix_create || exit 77
E2E_WINE=$E2E_WINE python3 "$here/gdi_diff.py" "$build" "${2:?}"
