#!/usr/bin/env bash
# Runs a command on a private Xvfb and ends the server afterwards:
#
#   tests/on-xvfb.sh WIDTHxHEIGHTxDEPTH COMMAND [ARGS...]
#
# The server picks a free display number itself and reports it (-displayfd),
# so runs started at the same moment, by CTest or anyone else on the machine,
# never share or fight over a display. The command's exit status is this
# script's.
set -uo pipefail
screen=${1:?usage: on-xvfb.sh WIDTHxHEIGHTxDEPTH COMMAND [ARGS...]}
shift
[ $# -gt 0 ] || { echo "on-xvfb: no command" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/zorbel-xvfb.XXXXXX") || exit 2
server=
finish() {
    [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT

Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$work/display" >"$work/log" 2>&1 &
server=$!
for _ in $(seq 1 200); do
    if grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null; then
        DISPLAY=":$(cat "$work/display")" "$@"
        exit $?
    fi
    kill -0 "$server" 2>/dev/null || break
    sleep 0.05
done
echo "on-xvfb: Xvfb $screen did not start; its log:" >&2
cat "$work/log" >&2
exit 2
