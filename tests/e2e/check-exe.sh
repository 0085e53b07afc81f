#!/usr/bin/env bash
# Checks the built Windows program as a file, with PE tools:
#
#   tests/e2e/check-exe.sh zorbel.exe
#
# It must be a GUI program, 32-bit (PE32, i386) or 64-bit (PE32+, x86-64),
# that imports ddraw.dll and no MinGW runtime DLL, and carry icon group 107 (16, 20, 32 and 48 pixels, 256 colours each)
# and accelerator table 101 (Escape, virtual key, no inversion, command 40001).
set -uo pipefail

exe=${1:?usage: check-exe.sh PROGRAM.exe}
failures=0

fail() {
    echo "FAIL [exe]: $*" >&2
    failures=$((failures + 1))
}

for tool in objdump wrestool icotool; do
    command -v "$tool" >/dev/null 2>&1 || { echo "check-exe: $tool not found" >&2; exit 1; }
done
[ -f "$exe" ] || { echo "check-exe: no file $exe" >&2; exit 1; }

format=$(objdump -f "$exe" 2>&1 | sed -n 's/.*file format //p')
[[ $format == pei-i386 || $format == pei-x86-64 ]] ||
    fail "file format is '${format:-unknown}', expected pei-i386 or pei-x86-64"

headers=$(objdump -p "$exe" 2>/dev/null)
subsystem=$(awk '/^Subsystem/ {print $2}' <<<"$headers")
[ "$subsystem" = 00000002 ] || fail "subsystem is '${subsystem:-none}', expected 00000002 (Windows GUI)"

imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers" | sort -u)
grep -qx ddraw.dll <<<"$imports" || fail "does not import ddraw.dll (imports: $(tr "\n" " " <<<"$imports"))"
runtime=$(grep -E '^(libgcc|libstdc|libwinpthread)' <<<"$imports")
[ -z "$runtime" ] || fail "needs MinGW runtime DLLs: $(tr "\n" " " <<<"$runtime")"

accel=$(wrestool -x --type=9 --name=101 --raw "$exe" 2>/dev/null | od -An -tx1 | tr -d ' \n')
# One ACCELTABLEENTRY: fVirt FVIRTKEY|FNOINVERT with the last-entry bit (0x83),
# key VK_ESCAPE (0x001B), command 40001 (0x9C41), padding.
[ "$accel" = 83001b00419c0000 ] || fail "accelerator table 101 is '${accel:-missing}', expected 83001b00419c0000"

images=$(wrestool -x --type=14 --name=107 "$exe" 2>/dev/null | icotool -l - 2>/dev/null |
    sed -n 's/.*--width=\([0-9]*\) --height=\([0-9]*\) --bit-depth=\([0-9]*\).*/\1x\2x\3/p' | sort -n | tr '\n' ' ')
[ "$images" = "16x16x8 20x20x8 32x32x8 48x48x8 " ] ||
    fail "icon group 107 holds '${images:-nothing}', expected 16x16x8 20x20x8 32x32x8 48x48x8"

if [ "$failures" -eq 0 ]; then
    echo "PASS [exe] $exe: $format GUI, imports ddraw.dll, icon group 107, accelerator table 101"
fi
[ "$failures" -eq 0 ]
