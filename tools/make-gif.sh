#!/usr/bin/env bash
# Draws a pull and launch with the headless tracer and turns the frames into
# an animated GIF (docs/launch.gif) and a still of the held band
# (docs/held.png). Needs build/native/zorbel-trace and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
trace=build/native/zorbel-trace
[ -x "$trace" ] || { echo "make-gif: build the native preset first" >&2; exit 1; }

frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT

# 60 frames a second: grab at the rest centre, pull 200 pixels down and to
# the side, hold, let go, and watch until the ball has left the screen.
{
    echo "client 1024 768"
    echo "tick 0"
    echo "start"
    echo "cursor 512 384"
    tick=0
    frame() { tick=$((tick + 16)); echo "tick $tick"; echo "frame"; }
    frame
    echo "press"
    for i in $(seq 1 24); do
        echo "cursor $((512 - i * 2)) $((384 + i * 8))"
        frame
    done
    for _ in $(seq 1 12); do frame; done
    echo "release"
    for _ in $(seq 1 40); do frame; done
} >"$frames/launch.trace"

"$trace" --png "$frames" "$frames/launch.trace" >/dev/null
crop=(-crop 512x768+256+0 +repage -resize 50%)
convert -delay 2 -loop 0 "$frames"/frame-*.png "${crop[@]}" -layers Optimize docs/launch.gif
convert "$frames/frame-000037.png" "${crop[@]}" docs/held.png
echo "make-gif: docs/launch.gif ($(ls "$frames"/frame-*.png | wc -l) frames) and docs/held.png"
