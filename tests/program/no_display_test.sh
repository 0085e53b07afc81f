#!/bin/sh
# Without a usable display the program says so in one line on standard error
# and ends with a non-zero status at once, instead of running unseen; --help
# and --version that cannot be written end with status 2.
#
#   no_display_test.sh PROGRAM
program=${1:?usage: no_display_test.sh PROGRAM}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
check() { # NAME EXPECTED-TEXT, then the environment to run with
    name=$1 expected=$2
    shift 2
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$@" timeout 5 "$program" \
        >"$out/stdout" 2>"$out/stderr"
    code=$?
    lines=$(wc -l <"$out/stderr")
    if [ "$code" = 0 ] || [ "$code" = 124 ] || [ "$lines" != 1 ] ||
        ! grep -q "no display could be opened: $expected" "$out/stderr"; then
        echo "FAIL $name: exit $code, standard error:"
        cat "$out/stderr"
        status=1
    fi
}
check "no DISPLAY" "DISPLAY is not set"
check "a display that does not exist" 'cannot open display ":4711"' DISPLAY=:4711
check "an empty WAYLAND_DISPLAY" "DISPLAY is not set" WAYLAND_DISPLAY=
check "an empty DISPLAY" "DISPLAY is empty" DISPLAY=
check "control bytes in DISPLAY" 'cannot open display "\\x1b\[2J:9"' DISPLAY="$(printf '\033[2J:9')"
# An answer that cannot be written is no answer: status 2, and a line.
for request in --help --version; do
    for to in /dev/full closed; do
        if [ "$to" = closed ]; then
            "$program" "$request" >&- 2>"$out/stderr"
        else
            "$program" "$request" >"$to" 2>"$out/stderr"
        fi
        code=$?
        if [ "$code" != 2 ] || ! grep -q "^zorbel: cannot write the" "$out/stderr"; then
            echo "FAIL $request to $to: exit $code, standard error:"
            cat "$out/stderr"
            status=1
        fi
    done
done
exit $status
