#!/usr/bin/env bash
# Installs everything that building and testing Zorbel needs on Debian 12:
# the native toolchain and libraries, the MinGW-w64 cross compiler, and Wine
# with Xvfb for the Windows program's end-to-end tests. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libcairo2-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool x11-utils imagemagick fonts-wine
  mingw-w64 icoutils wine wine32:i386 wine64
)

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

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
fi
as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
