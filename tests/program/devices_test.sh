#!/bin/sh
# zorbel --devices shows TACLIB_DEVICE as it shows a device's name: quoted,
# escaped and cut, so that no value a user sets reaches the terminal as
# commands or floods it, and a long value is no reason to fail.
#
#   devices_test.sh PROGRAM
program=${1:?usage: devices_test.sh PROGRAM}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
fail() {
    echo "FAIL $1; standard output:"
    cat "$out/stdout"
    echo "standard error:"
    head -c 2000 "$out/stderr"
    status=1
}
run() { # VALUE
    env -u DISPLAY -u WAYLAND_DISPLAY TACLIB_DEVICE="$1" timeout 20 "$program" --devices \
        >"$out/stdout" 2>"$out/stderr"
}

run "$(printf 'sim\033[2J\033]0;x\007\nnext line')"
code=$?
expected='TACLIB_DEVICE="sim\x1b[2J\x1b]0;x\x07\x0anext line": the program uses no device of these'
if [ "$code" != 0 ] || [ "$(head -n 1 "$out/stdout")" != "$expected" ]; then
    fail "control bytes: exit $code"
fi
if tr -d '\n' <"$out/stdout" | LC_ALL=C grep -q "$(printf '[\001-\037\177]')"; then
    fail "a control byte reached standard output"
fi

long=$(head -c 100000 /dev/zero | tr '\0' a)
run "$long"
code=$?
first=$(head -n 1 "$out/stdout")
case $first in
TACLIB_DEVICE=\"aaaa*...\":\ the\ program\ uses\ no\ device\ of\ these) ;;
*) fail "a long value: first line ${#first} bytes" ;;
esac
if [ "$code" != 0 ] || [ "${#first}" -gt 200 ] || [ "$(wc -c <"$out/stderr")" -gt 1000 ]; then
    fail "a long value: exit $code"
fi
exit $status
