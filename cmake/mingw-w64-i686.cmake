# Cross toolchain: 32-bit Windows (i686) programs built with Debian's MinGW-w64 (posix threads),
# for 32-bit Windows and 32-bit Wine prefixes; the same sources and flags as the x86_64 build.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VEX_TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
