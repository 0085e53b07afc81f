#!/usr/bin/env bash
# Runs a command beside N busy loops, each keeping one core busy, to see that
# what it runs holds on a loaded machine:
#
#   tools/with-load.sh N COMMAND [ARGS...]
#
# N 0 runs the command alone. The loops end with the command, however it
# ends; its exit status is this script's.
set -uo pipefail
n=${1:?usage: with-load.sh N COMMAND [ARGS...]}
shift
[[ $n =~ ^[0-9]+$ ]] && [ "$n" -le 64 ] || { echo "with-load: N must be a number 0..64, not '$n'" >&2; exit 2; }
[ $# -gt 0 ] || { echo "with-load: no command" >&2; exit 2; }
loops=()
stop_loops() {
    [ ${#loops[@]} -eq 0 ] || kill "${loops[@]}" 2>/dev/null
    wait "${loops[@]}" 2>/dev/null
}
trap stop_loops EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
for ((i = 0; i < n; i++)); do
    # A shell loop: never sleeps, never allocates, never touches a file.
    bash -c 'while :; do :; done' &
    loops+=($!)
done
[ "$n" = 0 ] || echo "with-load: $n busy loops beside: $*" >&2
"$@"
