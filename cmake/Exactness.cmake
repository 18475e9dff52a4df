# Every build computes in IEEE double, each operation rounded on its own:
# no fast-math and no contraction into fused multiply-adds, and on 32-bit x86
# SSE2 instead of x87, so that every target gives the same bits. These flags
# reach everything compiled here, GoogleTest built from its sources too.
add_compile_options(-ffp-contract=off -fno-fast-math)
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86|x86_64|AMD64|amd64)$")
  add_compile_options(-msse2 -mfpmath=sse)
endif()
