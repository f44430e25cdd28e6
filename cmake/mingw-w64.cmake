# Shared by the mingw-w64 toolchain files, which set MINGW_TRIPLET first:
# Debian's cross compilers (posix threads variant, which GoogleTest needs).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The loader that every 32-bit program under Wine needs, WOW64 included; the
# tests first make sure the kernel can start it.
set(WINE32_LOADER /usr/lib/wine/wine CACHE FILEPATH "Wine's 32-bit loader")
