# What the two mingw-w64 toolchains share; KORVEL_MINGW_TRIPLE and
# KORVEL_WINE_LOADER come from the file that includes this one.
set(CMAKE_SYSTEM_NAME Windows)
if(KORVEL_MINGW_TRIPLE MATCHES "^x86_64")
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
else()
  set(CMAKE_SYSTEM_PROCESSOR i686)  # cmake/Exactness.cmake turns on SSE2 for it
endif()

# The posix thread model: GoogleTest needs std::mutex, which the win32 model
# of this gcc lacks; -static links its thread library in as well.
set(CMAKE_C_COMPILER ${KORVEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVEL_MINGW_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${KORVEL_MINGW_TRIPLE}-dlltool)
set(KORVEL_OBJDUMP ${KORVEL_MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes linked in, so that a plug-in needs nothing but
# libmx.dll, libmex.dll and Windows' own DLLs.
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-static")
endforeach()

# No GoogleTest binaries exist for this target: build it from its sources.
set(KORVEL_GTEST_FROM_SOURCE ON CACHE BOOL "Build GoogleTest from its sources")

# Test programs run under wine, in a prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/../../tools/wine-run.sh ${KORVEL_WINE_LOADER})
