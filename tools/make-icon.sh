#!/usr/bin/env bash
# Regenerates src/res/zorbel.ico from src/res/zorbel-icon.svg: four images,
# 16, 20, 32 and 48 pixels square, each an 8-bit (256-colour) palettised bitmap.
# The same four images are also kept as src/res/icons/zorbel-SIZE.png, the
# icons installed for the desktop on Linux.
#
#   tools/make-icon.sh            rewrite src/res/zorbel.ico and the PNG icons
#   tools/make-icon.sh --check    exit 1 if the committed icons differ from fresh ones
#
# Needs ImageMagick (magick or convert) and icotool (icoutils). The picture is
# rendered by ImageMagick's own SVG renderer (MSVG), never by a delegate that
# may or may not be installed, so the same ImageMagick release gives the same
# bytes on every machine.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
src="$root/src/res/zorbel-icon.svg"
out="$root/src/res/zorbel.ico"
png_dir="$root/src/res/icons"
sizes=(16 20 32 48)

check=0
case "${1:-}" in
    "") ;;
    --check) check=1 ;;
    *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac

if command -v magick >/dev/null 2>&1; then im=(magick)
elif command -v convert >/dev/null 2>&1; then im=(convert)
else echo "make-icon: ImageMagick (magick or convert) not found" >&2; exit 1
fi
command -v icotool >/dev/null 2>&1 || { echo "make-icon: icotool (icoutils) not found" >&2; exit 1; }
[ -r "$src" ] || { echo "make-icon: cannot read $src" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Rendered once at ten times the largest size and scaled down, which gives
# every size the same smooth edges; the picture is opaque (its black
# background belongs to it), so every image is a plain palettised bitmap
# with no transparency to lose.
"${im[@]}" -density 960 -background black "MSVG:$src" -alpha off "$work/big.png"

pngs=()
for s in "${sizes[@]}"; do
    "${im[@]}" "$work/big.png" -filter Triangle -resize "${s}x${s}!" \
        +dither -colors 256 -depth 8 -define png:exclude-chunks=date,time \
        "PNG8:$work/icon$s.png"
    pngs+=("$work/icon$s.png")
done

icotool --create --bit-depth=8 --output="$work/zorbel.ico" "${pngs[@]}"

# Refuse to write an icon that is not what the program's resources promise.
listing=$(icotool --list "$work/zorbel.ico")
for s in "${sizes[@]}"; do
    grep -q -- "--width=$s --height=$s --bit-depth=8 " <<<"$listing" || {
        echo "make-icon: no ${s}x${s} 8-bit image in the result:" >&2
        echo "$listing" >&2
        exit 1
    }
done
[ "$(wc -l <<<"$listing")" -eq "${#sizes[@]}" ] || { echo "make-icon: unexpected images: $listing" >&2; exit 1; }

if [ "$check" -eq 1 ]; then
    stale=0
    cmp -s "$work/zorbel.ico" "$out" || { echo "make-icon: $out differs from a fresh rendering of $src" >&2; stale=1; }
    for s in "${sizes[@]}"; do
        cmp -s "$work/icon$s.png" "$png_dir/zorbel-$s.png" ||
            { echo "make-icon: $png_dir/zorbel-$s.png differs from a fresh rendering of $src" >&2; stale=1; }
    done
    [ "$stale" -eq 0 ] || { echo "make-icon: run tools/make-icon.sh" >&2; exit 1; }
    echo "make-icon: $out and the PNG icons are up to date"
else
    cp "$work/zorbel.ico" "$out"
    mkdir -p "$png_dir"
    for s in "${sizes[@]}"; do cp "$work/icon$s.png" "$png_dir/zorbel-$s.png"; done
    echo "$listing"
fi
