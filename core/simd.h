// What kernels may use of the processor beyond plain C++: SSE2 on every
// x86-64 target and on the 32-bit x86 builds, which are compiled for SSE2 so
// that their doubles round like the 64-bit ones. Each use keeps a plain C++
// path for other targets, with the same results.
#ifndef KORVEL_CORE_SIMD_H
#define KORVEL_CORE_SIMD_H

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define KORVEL_HAVE_SSE2 1
#endif

namespace korvel {

// Asks for the cache line holding *address ahead of its use. A hint only: it
// never faults, but callers still pass addresses inside the caller's arrays.
inline void prefetchForRead(const void *address) {
#if defined(KORVEL_HAVE_SSE2)
  _mm_prefetch(static_cast<const char *>(address), _MM_HINT_T0);
#elif defined(__GNUC__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

}  // namespace korvel

#endif  // KORVEL_CORE_SIMD_H
