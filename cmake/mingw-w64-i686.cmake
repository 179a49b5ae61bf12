# Cross toolchain: 32-bit Windows (i686) programs built with Debian's MinGW-w64 (posix threads),
# for 32-bit Windows and 32-bit Wine prefixes. The same sources and flags as the x86_64 build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VEX_TOOLCHAIN_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VEX_TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEX_TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VEX_TOOLCHAIN_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VEX_TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
