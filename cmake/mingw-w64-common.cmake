# The part of the MinGW-w64 toolchain files that depends only on the tool prefix
# (VEX_TOOLCHAIN_PREFIX, set by the file that includes this one): every tool and library from
# Debian's MinGW-w64 of that prefix (posix threads), nothing from the host.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${VEX_TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEX_TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VEX_TOOLCHAIN_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VEX_TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
