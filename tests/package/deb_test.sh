#!/usr/bin/env bash
# The Debian package, as a user gets it: built by CPack from a native build
# folder, checked by lintian (no error, no warning, pedantic), unpacked into a
# scratch root with dpkg -x, and checked there: the exact list of files, the
# dependencies computed from the binaries, the program's run path, the
# desktop entry, the AppStream metadata, the manual page, and the unpacked
# program started from / finding its library and its effect project by
# itself.
#
#   tests/package/deb_test.sh BUILD_DIR CPACK VERSION LIBDIR
#
# LIBDIR is the program's library folder under /usr, lib/<architecture>/zorbel
# on Debian.
set -uo pipefail
usage="usage: deb_test.sh BUILD_DIR CPACK VERSION LIBDIR"
build=${1:?$usage}
cpack=${2:?$usage}
version=${3:?$usage}
libdir=${4:?$usage}

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

work=$(mktemp -d "$build/package-test.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

arch=$(dpkg --print-architecture)
deb=$work/zorbel_${version}_${arch}.deb
(cd "$build" && "$cpack" -G DEB -B "$work" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack -G DEB" >&2
    exit 1
}
[ -f "$deb" ] || { echo "FAIL: no $deb; made: $(ls "$work")" >&2; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
depended=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")
for lib in libc6 libsdl2-2.0-0 libstdc++6; do
    grep -qxF "$lib" <<<"$depended" || fail "Depends lacks $lib: $depends"
done
# The program draws by itself; cairo is only the tracer's.
! grep -qxF libcairo2 <<<"$depended" || fail "Depends names libcairo2: $depends"

lint=$(lintian --pedantic --fail-on error,warning "$deb" 2>&1) ||
    fail "lintian: $lint"

root=$work/root
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x" >&2; exit 1; }
files=$(cd "$root" && find . ! -type d | sort)
expected=$(sort <<LIST
./usr/bin/zorbel
./usr/$libdir/libtaclib22.so
./usr/share/applications/zorbel.desktop
./usr/share/doc/zorbel/changelog.gz
./usr/share/doc/zorbel/copyright
./usr/share/icons/hicolor/16x16/apps/zorbel.png
./usr/share/icons/hicolor/20x20/apps/zorbel.png
./usr/share/icons/hicolor/32x32/apps/zorbel.png
./usr/share/icons/hicolor/48x48/apps/zorbel.png
./usr/share/man/man6/zorbel.6.gz
./usr/share/metainfo/org.example.zorbel.metainfo.xml
./usr/share/zorbel/zorbel.hkr
LIST
)
[ "$files" = "$expected" ] || fail "files in the package:"$'\n'"$(diff <(echo "$expected") <(echo "$files"))"

dynamic=$(readelf -d "$root/usr/bin/zorbel")
runpath=$(sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p' <<<"$dynamic")
[ "$runpath" = "\$ORIGIN/../$libdir" ] || fail "run path of zorbel: '$runpath'"
! grep -qF "$build" <<<"$(readelf -d "$root/usr/$libdir/libtaclib22.so")" ||
    fail "the library names the build folder"

desktop-file-validate "$root/usr/share/applications/zorbel.desktop" || fail "desktop entry not valid"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.zorbel.metainfo.xml" >"$work/appstream.log" 2>&1 ||
    fail "AppStream metadata not valid: $(cat "$work/appstream.log")"
page=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man6/zorbel.6.gz" 2>&1) || fail "man: $page"
grep -q 'EXIT STATUS' <<<"$page" && ! grep -q 'warning' <<<"$page" || fail "the manual page reads: $page"

# Started from / without help: the library comes through the run path, and
# the data folder it names is the unpacked one.
out=$(cd / && env -u LD_LIBRARY_PATH "$root/usr/bin/zorbel" --help 2>&1) || fail "zorbel --help: $out"
grep -qF "in the data folder: $root/usr/share/zorbel/zorbel.hkr" <<<"$out" || fail "zorbel --help printed: $out"

# No maintainer scripts: nothing is left in dpkg's records once it is removed.
control=$(dpkg-deb -I "$deb")
! grep -qE '^ +[0-9]+ bytes, +[0-9]+ lines +\* +(preinst|postinst|prerm|postrm)' <<<"$control" ||
    fail "maintainer scripts in the package: $control"

[ "$failures" -eq 0 ] || exit 1
echo "package $(basename "$deb"): $(wc -l <<<"$files") files, Depends: $depends"
