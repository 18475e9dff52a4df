# Native 32-bit x86 Linux (.mexglx) with gcc-multilib; the tests run natively.
#   cmake -S . -B build-linux32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/linux-i686.cmake
# cmake/Exactness.cmake turns on SSE2 arithmetic for 32-bit x86 (4-byte
# pointers on an x86 processor).
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-m32")
endforeach()
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(FIND_LIBRARY_USE_LIB64_PATHS OFF)

# Debian's GoogleTest binaries are 64-bit only: build it from its sources.
set(KORVEL_GTEST_FROM_SOURCE ON CACHE BOOL "Build GoogleTest from its sources")
