#!/usr/bin/env bash
# The Windows archive, as a user gets it: built by CPack from a Windows build
# folder and listed. It must hold one folder with exactly the program, its
# library and the effect project, so that it can be unpacked and started.
#
#   tests/package/zip_test.sh BUILD_DIR [UNPACK_DIR]
#
# With UNPACK_DIR, the archive is also unpacked there (emptied first), so that
# the program can be started from the unpacked folder, UNPACK_DIR/<archive>/.
set -uo pipefail
build=$(cd "${1:?usage: zip_test.sh BUILD_DIR [UNPACK_DIR]}" && pwd) || exit 1
unpack=${2:-}

work=$(mktemp -d "${TMPDIR:-/tmp}/zorbel-zip.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G ZIP -B "$work" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack -G ZIP in $build" >&2
    exit 1
}
zips=("$work"/*.zip)
[ ${#zips[@]} -eq 1 ] && [ -f "${zips[0]}" ] || { echo "FAIL: not one archive: $(ls "$work")" >&2; exit 1; }
zip=${zips[0]}
top=$(basename "$zip" .zip)

listing=$(cmake -E tar tf "$zip" | sed 's|/$||' | sort)
expected=$(printf '%s\n' "$top/taclib22.dll" "$top/zorbel.exe" "$top/zorbel.hkr")
# A folder entry for the top folder itself is allowed.
listing=$(grep -vxF "$top" <<<"$listing")
[ "$listing" = "$expected" ] ||
    { printf 'FAIL: %s holds:\n%s\nexpected:\n%s\n' "$(basename "$zip")" "$listing" "$expected" >&2; exit 1; }
echo "$(basename "$zip"): $(tr '\n' ' ' <<<"$listing")"
if [ -n "$unpack" ]; then
    rm -rf "$unpack" && mkdir -p "$unpack" && (cd "$unpack" && cmake -E tar xf "$zip") || {
        echo "FAIL: cannot unpack $(basename "$zip") into $unpack" >&2
        exit 1
    }
fi
