# What the two Windows toolchains share: Debian's MinGW-w64 (posix thread
# model) for TARNWICK_MINGW_TRIPLET, against the Qt that scripts/windows-qt.sh
# builds for it. Included by mingw-w64-i686.cmake and mingw-w64-x86_64.cmake.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TARNWICK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNWICK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNWICK_MINGW_TRIPLET}-windres)

# try_compile projects see only the cache, so hand the prefix on to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TARNWICK_WINDOWS_QT)
set(CMAKE_FIND_ROOT_PATH /usr/${TARNWICK_MINGW_TRIPLET} ${TARNWICK_WINDOWS_QT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
