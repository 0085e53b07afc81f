#!/bin/sh
# Runs the sample Win32 program on the X server in DISPLAY (a 1280 x 1024
# Xvfb): clicks, drags, presses Escape, and checks its exit, its output and
# the screen it showed. With "refused" (on a screen too small for 800 x 600)
# it checks the set-up failure instead: one message box, dismissed with
# Return, and exit status 1.
#
#   run_sample_app.sh SAMPLE_APP OUTPUT_DIR [refused]
set -u
app=$1
out=$2
mode=${3:-run}
mkdir -p "$out"
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT

fail() {
    echo "FAIL: $*"
    kill "$pid" 2>/dev/null
    exit 1
}

XDG_RUNTIME_DIR=$runtime "$app" >"$out/sample.out" 2>"$out/sample.err" &
pid=$!

if [ "$mode" = refused ]; then
    box=""
    for _ in $(seq 1 100); do
        # The box has the caption but, unlike the program's window, no class.
        box=$(xwininfo -root -tree | awk '/"Sample": \(\)/ {print $1}' | head -n 1)
        [ -n "$box" ] && break
        sleep 0.1
    done
    [ -n "$box" ] || fail "no message box appeared"
    import -window root "$out/refused.png"
    xdotool windowfocus "$box" key Return
    for _ in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "still running after Return on the box"
    wait "$pid"
    status=$?
    [ "$status" -eq 1 ] || fail "exit status $status after the message box"
    [ ! -s "$out/sample.out" ] || fail "it ran: $(cat "$out/sample.out")"
    echo "PASS"
    exit 0
fi

found=""
for _ in $(seq 1 300); do
    found=$(xdotool search --name '^Sample$' 2>/dev/null | head -n 1)
    [ -n "$found" ] && break
    sleep 0.1
done
[ -n "$found" ] || fail "no window appeared"

pixel() { convert "$out/screen.png" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:; }
# Takes screenshots until the pixel at X Y matches the pattern, for up to 10 s.
wait_pixel() {
    for _ in $(seq 1 100); do
        import -window root "$out/screen.png" || fail "no screenshot"
        case "$(pixel "$1" "$2")" in $3) return 0 ;; esac
        sleep 0.1
    done
    return 1
}
# Dark blue, 0x0010 in RGB565: 5-bit blue 16 widens to 128 to 132 by method.
wait_pixel 100 900 '0,0,1[23][0-9]' || fail "no frame shown: background is $(pixel 100 900)"

# The 1024 x 768 mode fills the 1280 x 1024 screen's width: scale 1.25, with
# bars of 32 pixels above and below. Mode pixel (160, 96) is at (200, 152).
# Press there and drag, holding the button, to (800, 700): mode (640, 534).
# The program asks where the cursor is when it handles the press, so the
# pointer moves on only once the disc shows the press handled.
xdotool mousemove 200 152 mousedown 1
wait_pixel 200 152 '25[0-5],25[0-5],25[0-5]' || fail "no disc under the pressed cursor: $(pixel 200 152)"
xdotool mousemove 500 400 mousemove 800 700
# The cursor is followed while the button is held.
wait_pixel 800 700 '25[0-5],25[0-5],25[0-5]' || fail "no disc under the held cursor: $(pixel 800 700)"
xdotool mouseup 1
# The release is handled before the key: the disc goes.
wait_pixel 800 700 '0,0,1[23][0-9]' || fail "the disc stayed after the release: $(pixel 800 700)"
xdotool key Escape

wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$out/sample.err")"
grep -q '^clicks=1 keys=1 mode=1024x768 last=160,96$' "$out/sample.out" || fail "output: $(cat "$out/sample.out")"

[ "$(pixel 640 512)" = "255,0,0" ] || fail "centre is $(pixel 640 512), not the red ball"
[ "$(pixel 640 10)" = "0,0,0" ] || fail "top bar is $(pixel 640 10), not black"
case "$(pixel 100 900)" in 0,0,1[23][0-9]) ;; *) fail "background is $(pixel 100 900)" ;; esac
# The ring around the click: its right edge is mode pixel (180, 96).
ring=$(pixel 225 152)
case "$ring" in 25[0-5],25[0-5],0) ;; *) fail "ring pixel is $ring" ;; esac
echo "PASS"
