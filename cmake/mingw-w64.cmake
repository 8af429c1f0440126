# Cross toolchain: Windows x86-64 with Debian's MinGW-w64. The posix thread model is the one
# that gives std::thread; its winpthread is linked statically like libgcc and libstdc++.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(GLORVENT_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${GLORVENT_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GLORVENT_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${GLORVENT_MINGW}-windres)
set(CMAKE_AR ${GLORVENT_MINGW}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${GLORVENT_MINGW}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries, headers and packages come from the MinGW sysroot and from any prefix the caller
# adds to CMAKE_FIND_ROOT_PATH (the deps prefix); programs from the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${GLORVENT_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# MinGW's sinf runs on the x87 unit, several times slower than SSE code; every executable takes
# it from platform/windows/platform_maths_windows.cpp instead, which gives the same results.
add_link_options(LINKER:--wrap=sinf)
