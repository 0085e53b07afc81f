#!/usr/bin/env bash
# Builds everything and runs every test: the native build, its tests (the
# Debian package among them) and the native program end to end on Xvfb; the
# same tests under AddressSanitizer and UndefinedBehaviorSanitizer; and the
# Windows program's ZIP archive, and the program end to end under Wine.
#
# The Windows program is the 32-bit one. On a host that cannot run 32-bit x86
# programs (found by running one, tools/probe-ia32.sh), 32-bit Wine cannot
# start: the 32-bit program is still built and checked as a file, and the
# end-to-end cases run on the 64-bit build of the same sources under 64-bit
# Wine instead. ZORBEL_REQUIRE_WIN32=1 makes that a failure. The force
# feedback against the tests' own DirectInput runs on the 64-bit build on
# every host, and on the 32-bit one where it runs.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup-debian.sh

jobs=$(nproc 2>/dev/null || echo 2)
skipped=()

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
tests/package/zip_test.sh build/windows build/windows/unpacked

cmake --preset windows64
cmake --build --preset windows64 -j "$jobs"
tests/e2e/dinput_test.sh build/windows64

probe_status=0
probe_reason=$(tools/probe-ia32.sh) || probe_status=$?
case "$probe_status" in
    0)
        # Started from the unpacked archive, as a user would start it.
        tests/e2e/wine_test.sh build/windows/unpacked/zorbel-*-win32
        tests/e2e/gdi_diff.sh build/windows build/native
        tests/e2e/dinput_test.sh build/windows
        ;;
    1)
        if [ "${ZORBEL_REQUIRE_WIN32:-0}" = 1 ]; then
            echo "this host cannot run 32-bit programs ($probe_reason), and ZORBEL_REQUIRE_WIN32=1 requires it" >&2
            exit 1
        fi
        echo "SKIPPED: the 32-bit Windows program under 32-bit Wine: this host cannot run 32-bit programs ($probe_reason); running the 64-bit build instead"
        skipped+=("32-bit Wine run")
        tests/e2e/check-exe.sh build/windows/zorbel.exe
        tests/package/zip_test.sh build/windows64 build/windows64/unpacked
        tests/e2e/wine_test.sh build/windows64/unpacked/zorbel-*-win64
        tests/e2e/gdi_diff.sh build/windows64 build/native
        ;;
    *)
        echo "the 32-bit probe failed (status $probe_status); cannot tell whether this host runs 32-bit programs" >&2
        exit 1
        ;;
esac

if [ ${#skipped[@]} -eq 0 ]; then
    echo "== all tests passed"
else
    echo "== all tests passed, with ${#skipped[@]} stage skipped: ${skipped[*]}"
fi
