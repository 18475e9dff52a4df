# Builds that look for memory faults and undefined behaviour in the plug-ins,
# the stand-in host and the tests. Each belongs in a build folder of its own.
#
# KORVEL_SANITIZE: everything under AddressSanitizer and
# UndefinedBehaviorSanitizer, every report fatal (`make test-sanitize`).
# KORVEL_FUZZ: clang only; everything instrumented for libFuzzer as well, and
# the fuzz targets of fuzz/ built instead of the test suite (`make fuzz`).
# KORVEL_TSAN: everything under ThreadSanitizer, for the threaded kernels
# (`make test-sanitize` runs their tests in a build of its own).
option(KORVEL_SANITIZE "Build everything with AddressSanitizer and UBSan" OFF)
option(KORVEL_TSAN "Build everything with ThreadSanitizer" OFF)
option(KORVEL_FUZZ "Build the libFuzzer targets (clang; implies KORVEL_SANITIZE)" OFF)

# vptr needs RTTI, which the plug-ins are built without; float-cast-overflow
# is not part of gcc's `undefined` group and guards the double-to-integer
# conversions of the kernels.
set(KORVEL_SANITIZER_FLAGS
    -fsanitize=address,undefined,float-cast-overflow -fno-sanitize=vptr
    -fno-sanitize-recover=all -fno-omit-frame-pointer)

if(KORVEL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KORVEL_FUZZ needs clang (libFuzzer): configure with CXX=clang++ CC=clang")
  endif()
  add_compile_options(${KORVEL_SANITIZER_FLAGS} -fsanitize=fuzzer-no-link -g)
  add_link_options(${KORVEL_SANITIZER_FLAGS})
elseif(KORVEL_SANITIZE)
  add_compile_options(${KORVEL_SANITIZER_FLAGS} -g)
  add_link_options(${KORVEL_SANITIZER_FLAGS})
elseif(KORVEL_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=thread)
endif()
