# 32-bit Windows plug-ins (.mexw32) with mingw-w64; the tests run under wine.
#   cmake -S . -B build-windows32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-i686.cmake
set(KORVEL_MINGW_TRIPLE i686-w64-mingw32)
set(KORVEL_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
