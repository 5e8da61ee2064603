# Cross-compiles the 64-bit Windows program. Pass the prefix that
# `scripts/windows-qt.sh win64` prints as TARNWICK_WINDOWS_QT:
#   cmake -S . -B build-windows64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DTARNWICK_WINDOWS_QT=<prefix>
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TARNWICK_MINGW_TRIPLET x86_64-w64-mingw32)
set(TARNWICK_WINDOWS_ARCH win64)
# 64-bit GCC unwinds with the SEH tables of Windows itself.
set(TARNWICK_MINGW_RUNTIME_DLLS libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
