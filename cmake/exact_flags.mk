# The compiler flags that keep every IEEE double operation rounded on its
# own, so that every target gives the same bits: no contraction into fused
# multiply-adds, no fast-math, and on 32-bit x86 SSE2 instead of x87. Every
# build takes them from here: cmake/Exactness.cmake, build_mex.m and the
# Octave package's Makefile (which includes this file as it is), so keep it
# in make's syntax, one "NAME = flags" line each.
EXACT_FLAGS = -ffp-contract=off -fno-fast-math
EXACT_FLAGS_X86_32 = -msse2 -mfpmath=sse
