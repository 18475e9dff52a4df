# 64-bit Windows plug-ins (.mexw64) with mingw-w64; the tests run under wine.
#   cmake -S . -B build-windows64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-x86_64.cmake
set(KORVEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(KORVEL_WINE_LOADER wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
