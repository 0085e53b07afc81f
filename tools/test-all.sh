#!/usr/bin/env bash
# Builds everything and runs every test: the native build, its tests (the
# Debian package among them) and the native program end to end on Xvfb; the
# same tests under AddressSanitizer and UndefinedBehaviorSanitizer; the
# threaded parts under ThreadSanitizer (tools/test-tsan.sh); and the
# Windows program's ZIP archive, and the program end to end under Wine. The
# scene code built for 32-bit x86 with the Windows program's floating-point
# flags (the tracer, build/ia32) is checked against the golden traces and the
# native tracer on every host: under qemu-i386-static where the kernel cannot
# run 32-bit programs.
#
# The Windows program is the 32-bit one. On a host that cannot run 32-bit x86
# programs (found by running one, tools/probe-ia32.sh), 32-bit Wine cannot
# start: the 32-bit program is still built and checked as a file, and the
# end-to-end cases run on the 64-bit build of the same sources under 64-bit
# Wine instead. ZORBEL_REQUIRE_WIN32=1 makes that a failure. The force
# feedback against the tests' own DirectInput runs on the 64-bit build on
# every host, and on the 32-bit one where it runs.
#
# TEST_LOAD=N runs it all beside N busy loops (tools/with-load.sh), as on a
# loaded machine: every suite must pass all the same.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${TEST_LOAD:-0}" != 0 ] && [ -z "${ZORBEL_UNDER_LOAD:-}" ]; then
    ZORBEL_UNDER_LOAD=1 exec tools/with-load.sh "$TEST_LOAD" "$0" "$@"
fi

tools/setup-debian.sh

jobs=$(nproc 2>/dev/null || echo 2)
skipped=()

probe_status=0
probe_reason=$(tools/probe-ia32.sh) || probe_status=$?
if [ "$probe_status" -gt 1 ]; then
    echo "the 32-bit probe failed (status $probe_status); cannot tell whether this host runs 32-bit programs" >&2
    exit 1
fi

echo "== layout of the sources"
tools/check-format.sh

echo "== native build and tests"
cmake --preset native
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs" -LE e2e
ctest --preset native -L e2e -LE wine

echo "== sanitizer build and tests"
cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
# The end-to-end cases one at a time, as in the native build: each drives a
# display, and timing is part of what several of them check.
ctest --preset sanitize -j "$jobs" -LE e2e
ctest --preset sanitize -L e2e

echo "== ThreadSanitizer build: the in-process tests, the SDL host and the force devices end to end"
tools/test-tsan.sh

echo "== the scene built for 32-bit x86 with the Windows program's flags, against the golden traces and the native tracer"
cmake --preset ia32
cmake --build --preset ia32 -j "$jobs"
tracer=build/ia32/zorbel-trace
# Byte 4 of an ELF file is its class: 1 for a 32-bit program.
if [ "$(od -An -tu1 -j4 -N1 "$tracer" | tr -d ' ')" != 1 ]; then
    echo "$tracer is not a 32-bit program" >&2
    exit 1
fi
if [ "$probe_status" = 1 ]; then
    # The kernel cannot start it: the emulator runs it on the host's i386 libraries.
    printf '#!/bin/sh\nexec qemu-i386-static "%s" "$@"\n' "$PWD/$tracer" >build/ia32/zorbel-trace-qemu
    chmod +x build/ia32/zorbel-trace-qemu
    tracer=build/ia32/zorbel-trace-qemu
fi
python3 tests/trace/check_trace.py "$tracer" build/native/zorbel-trace

echo "== Windows build and tests under Wine"
cmake --preset windows
cmake --build --preset windows -j "$jobs"
ctest --preset native -R '^e2e[.]wine32[.]zip$'
cmake --preset windows64
cmake --build --preset windows64 -j "$jobs"
ctest --preset native -R '^e2e[.]wine64[.]dinput$'

case "$probe_status" in
    0)
        # Started from the unpacked archive, as a user would start it.
        ctest --preset native -L wine32
        ;;
    1)
        if [ "${ZORBEL_REQUIRE_WIN32:-0}" = 1 ]; then
            echo "this host cannot run 32-bit programs ($probe_reason), and ZORBEL_REQUIRE_WIN32=1 requires it" >&2
            exit 1
        fi
        # Debian 12's 64-bit Wine can run a 32-bit program in its own 64-bit
        # process (wow64: 32-bit Wine's Windows DLLs and 64-bit Wine's Unix
        # libraries side by side in a folder named by WINEDLLPATH), and the
        # program gets as far as its window, but DirectDraw cannot be created:
        # the display adapter call under it answers STATUS_NOT_SUPPORTED there.
        echo "SKIPPED: the 32-bit Windows program under Wine: this host cannot run 32-bit programs ($probe_reason), so 32-bit Wine cannot start, and 64-bit Wine 8's wow64 mode gives 32-bit programs no DirectDraw (D3DKMTOpenAdapterFromGdiDisplayName: 0xc00000bb); running the 64-bit build instead"
        skipped+=("32-bit Wine run")
        tests/e2e/check-exe.sh build/windows/zorbel.exe
        ctest --preset native -L wine64 -E '^e2e[.]wine64[.]dinput$'
        ;;
esac

if [ ${#skipped[@]} -eq 0 ]; then
    echo "== all tests passed"
else
    echo "== all tests passed, with ${#skipped[@]} stage skipped: ${skipped[*]}"
fi
