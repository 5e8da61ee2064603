# Cross-compiles the 32-bit Windows program, the one users get by default.
# Pass the prefix that `scripts/windows-qt.sh win32` prints as
# TARNWICK_WINDOWS_QT:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
#         -DTARNWICK_WINDOWS_QT=<prefix>
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TARNWICK_MINGW_TRIPLET i686-w64-mingw32)
set(TARNWICK_WINDOWS_ARCH win32)
# The MinGW runtime that Qt's DLLs and ours import (32-bit GCC unwinds with
# DWARF-2 tables).
set(TARNWICK_MINGW_RUNTIME_DLLS libgcc_s_dw2-1.dll libstdc++-6.dll libwinpthread-1.dll)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
