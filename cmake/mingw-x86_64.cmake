# Cross-compiles the 64-bit Windows program with MinGW-w64 (x86_64-w64-mingw32):
# the same sources as the 32-bit one, for hosts and Wine installs that cannot
# run 32-bit code.
#
#   cmake -S . -B <dir> -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
#
# Another triplet or install name can be given with -DMINGW_PREFIX=...

set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_PREFIX "x86_64-w64-mingw32" CACHE STRING "Target triplet of the MinGW-w64 tools")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
