# Every build computes in IEEE double, each operation rounded on its own:
# no fast-math and no contraction into fused multiply-adds, and on 32-bit x86
# SSE2 instead of x87, so that every target gives the same bits.
add_compile_options(-ffp-contract=off -fno-fast-math -Wall -Wextra)
if(KORVEL_WERROR)
  add_compile_options(-Werror)
endif()
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86)$" OR CMAKE_CXX_FLAGS MATCHES "-m32")
  add_compile_options(-msse2 -mfpmath=sse)
endif()
