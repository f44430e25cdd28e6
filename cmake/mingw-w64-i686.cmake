# Cross build for 32-bit Windows; test programs run under Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

find_program(WINE_PROGRAM wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
# The loader that every 32-bit program under Wine needs, WOW64 included; the
# tests first make sure the kernel can start it.
set(WINE32_LOADER /usr/lib/wine/wine CACHE FILEPATH "Wine's 32-bit loader")
