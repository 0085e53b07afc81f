# Cross-compiles the 32-bit Windows program with MinGW-w64 (i686-w64-mingw32).
#
#   cmake -S . -B <dir> -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
#
# Another triplet or install name can be given with -DMINGW_PREFIX=...

set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_PREFIX "i686-w64-mingw32" CACHE STRING "Target triplet of the MinGW-w64 tools")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
