#!/usr/bin/env bash
# Tells whether this host can run 32-bit x86 programs, by running one: a few
# instructions that exit with status 42 through the 32-bit system call gate.
#
#   tools/probe-ia32.sh
#
# Exit status: 0 when it can; 1 when it cannot, with the reason on standard
# output; 2 when the probe itself could not be built (a broken toolchain,
# not an answer).
set -uo pipefail

work=$(mktemp -d "${TMPDIR:-/tmp}/zorbel-probe.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT

cat >"$work/probe.s" <<'ASM'
    .globl _start
_start:
    movl $1, %eax       # exit
    movl $42, %ebx      # status
    int $0x80
ASM

if ! as --32 -o "$work/probe.o" "$work/probe.s" 2>"$work/build.log" ||
    ! ld -m elf_i386 -o "$work/probe" "$work/probe.o" 2>>"$work/build.log"; then
    echo "the 32-bit probe could not be built: $(tr '\n' ' ' <"$work/build.log")" >&2
    exit 2
fi

"$work/probe" 2>"$work/run.log"
status=$?
if [ "$status" -eq 42 ]; then
    exit 0
fi
reason=$(sed -n '1p' "$work/run.log" | sed 's/^.*probe: *//')
echo "a 32-bit x86 probe exited with status $status, not 42 (${reason:-no message})"
exit 1
