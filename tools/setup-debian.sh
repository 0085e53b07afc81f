#!/usr/bin/env bash
# Installs what building Zorbel needs on Debian 12. Safe to run again.
#
#   tools/setup-debian.sh run    what building and running the native program
#                                needs: the compiler, CMake, Ninja, pkg-config,
#                                SDL2 and cairo
#   tools/setup-debian.sh test   everything, for every test (the default): the
#                                above, Google Test and Benchmark, clang for
#                                fuzzing, the MinGW-w64 cross compiler, Wine
#                                with Xvfb for the Windows program's end-to-end
#                                tests, Xvnc and xrandr for a screen that
#                                changes size, Xlib for the presentation
#                                benchmark's pointer, the tools the package
#                                tests use, window managers (openbox, Mutter,
#                                Weston with Xwayland) with wmctrl and a
#                                session bus's launcher for the desktop
#                                tests, and the 32-bit compiler and i386
#                                libraries for the 32-bit tracer, with
#                                qemu-user to run it where the kernel cannot
set -euo pipefail

run_packages=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libcairo2-dev
)
test_packages=(
  "${run_packages[@]}"
  python3
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth xdotool x11-utils x11-xserver-utils tigervnc-standalone-server imagemagick fonts-wine
  libx11-dev
  openbox mutter weston xwayland wmctrl dbus-x11
  mingw-w64 icoutils wine wine32:i386 wine64
  dpkg-dev desktop-file-utils lintian appstream man-db
  g++-multilib libsdl2-dev:i386 libcairo2-dev:i386 qemu-user-static
)

case "${1:-test}" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${test_packages[@]}") ;;
  *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

# Only 32-bit Wine and the 32-bit tracer's libraries need the i386 architecture.
for p in "${missing[@]}"; do
  if [[ $p == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    break
  fi
done
as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
