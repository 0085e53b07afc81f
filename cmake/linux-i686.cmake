# Builds for 32-bit x86 Linux with the host's compiler (-m32) and Debian's
# i386 libraries, with the Windows program's floating-point flags: the scene
# code as the 32-bit Windows program computes it, in a program this host can
# run (natively, or under qemu-i386-static where the kernel has no 32-bit
# support). Programs that run at build time (the resource compiler) cannot be
# built this way; the tracer needs none.
#
#   cmake -S . -B <dir> -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i686.cmake

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)

include(${CMAKE_CURRENT_LIST_DIR}/x86-float.cmake)
set(CMAKE_C_FLAGS_INIT "-m32 ${ZORBEL_X86_FLOAT_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "-m32 ${ZORBEL_X86_FLOAT_FLAGS}")

# pkg-config looks at the i386 libraries only; CMake's package search follows
# the library architecture.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig")
