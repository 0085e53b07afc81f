#!/usr/bin/env bash
# One stage of the Windows program's tests, as CTest runs it (labels wine and
# e2e): the ZIP archive of a Windows build folder, checked and unpacked; the
# program started from it under Wine; its frames against real GDI's; its
# force feedback against the tests' own DirectInput.
#
#   tests/e2e/windows_stage.sh zip|wine|gdi|dinput WINDOWS_BUILD_DIR NATIVE_BUILD_DIR
#
# Without the Windows build (cmake --preset windows, or windows64) the stage
# is skipped with status 77, which CTest reports as skipped; the wine and gdi
# stages run on what the zip stage unpacked.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
stage=${1:?usage: windows_stage.sh zip|wine|gdi|dinput WINDOWS_BUILD_DIR NATIVE_BUILD_DIR}
build=${2:?} native=${3:?}
if [ ! -f "$build/zorbel.exe" ]; then
    echo "skipped: no Windows build in $build (cmake --preset windows && cmake --build --preset windows)"
    exit 77
fi
case "$stage" in
zip) exec "$here/../package/zip_test.sh" "$build" "$build/unpacked" ;;
wine) exec "$here/wine_test.sh" "$build"/unpacked/zorbel-*-win* ;;
gdi) exec "$here/gdi_diff.sh" "$build" "$native" ;;
dinput) exec "$here/dinput_test.sh" "$build" "$native" ;;
*) echo "unknown stage '$stage'" >&2; exit 2 ;;
esac
