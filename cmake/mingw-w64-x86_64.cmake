# Cross build for 64-bit Windows; test programs run under Wine's 64-bit
# loader, called directly: Debian's `wine` picks the 32-bit loader whenever
# it is installed, and that one cannot start where the kernel runs no
# 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

find_program(WINE64_LOADER wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR env WINELOADER=${WINE64_LOADER} ${WINE64_LOADER})
