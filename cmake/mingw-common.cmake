# What both MinGW-w64 toolchain files share. The including file sets
# MINGW_PREFIX (the target triplet) and CMAKE_SYSTEM_PROCESSOR first.

set(CMAKE_SYSTEM_NAME Windows)

# The POSIX-threads flavour is preferred where both are installed, so that the
# standard thread library is complete; plain names cover single-flavour installs.
find_program(MINGW_CC NAMES ${MINGW_PREFIX}-gcc-posix ${MINGW_PREFIX}-gcc)
find_program(MINGW_CXX NAMES ${MINGW_PREFIX}-g++-posix ${MINGW_PREFIX}-g++)
find_program(MINGW_RC NAMES ${MINGW_PREFIX}-windres)
foreach(tool MINGW_CC MINGW_CXX MINGW_RC)
    if(NOT ${tool})
        message(FATAL_ERROR "${tool}: no ${MINGW_PREFIX} tool found; install the mingw-w64 package")
    endif()
endforeach()

set(CMAKE_C_COMPILER ${MINGW_CC})
set(CMAKE_CXX_COMPILER ${MINGW_CXX})
set(CMAKE_RC_COMPILER ${MINGW_RC})

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

include(${CMAKE_CURRENT_LIST_DIR}/x86-float.cmake)
set(CMAKE_C_FLAGS_INIT "${ZORBEL_X86_FLOAT_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${ZORBEL_X86_FLOAT_FLAGS}")

# No MinGW runtime DLLs beside the executable: it carries libgcc, libstdc++ and
# winpthread; this holds for the program and for DLLs built with it alike.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
