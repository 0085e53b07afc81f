#!/bin/sh
# The shipped program keeps no record of its calls: at rest its resident
# memory stays flat. Runs the real program, as started by a user, on SDL's
# off-screen driver (chosen by name, as only a test does), and samples its
# resident memory once a second after a warm-up; it is a soak, so the
# seconds are its measure.
#
#   rest_memory_test.sh PROGRAM
program=$(cd "$(dirname "${1:?usage: rest_memory_test.sh PROGRAM}")" && pwd)/$(basename "$1")
run=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; rm -rf "$run"' EXIT
chmod 700 "$run"
cd "$(dirname "$program")" || exit 1
SDL_VIDEODRIVER=offscreen XDG_RUNTIME_DIR=$run TACLIB_DEVICE=none "$program" 2>"$run/stderr" &
pid=$!
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null; }
# Start-up is over once two samples half a second apart are the same; a
# loaded machine may take a while to get there, a program that keeps growing
# never does.
last=0 first=
for _ in $(seq 60); do
    sleep 0.5
    now=$(rss)
    [ -n "$now" ] || { echo "FAIL: the program ended: $(cat "$run/stderr")"; exit 1; }
    [ "$now" = "$last" ] && { first=$now; break; }
    last=$now
done
[ -n "$first" ] || { echo "FAIL: resident memory never settled in 30 s (last $last kB)"; exit 1; }
low=$first high=$first
for _ in 1 2 3 4 5; do
    sleep 1
    now=$(rss)
    [ -n "$now" ] || { echo "FAIL: the program ended: $(cat "$run/stderr")"; exit 1; }
    [ "$now" -lt "$low" ] && low=$now
    [ "$now" -gt "$high" ] && high=$now
done
kill -TERM "$pid"
wait "$pid"
status=$?
echo "resident memory over 5 s at rest: $low to $high kB; exit status $status after SIGTERM"
[ $((high - first)) -lt 256 ] || { echo "FAIL: grew by $((high - first)) kB"; exit 1; }
[ "$status" = 0 ] || { echo "FAIL: exit status $status"; exit 1; }
