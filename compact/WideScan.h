#pragma once

// Searches shared by the compaction scanners: sixteen bytes at a time
// where the wide scanners are compiled in and selected (see ScanPath.h),
// byte by byte otherwise. Both give the same answer.

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Whether the compaction that starts now uses the wide scanners.
bool UseWideScan();

// The first byte in [First, Last) equal to A or B, or Last when there is
// none. Reads no byte outside [First, Last).
inline const unsigned char* FindEitherByte(const unsigned char* First, const unsigned char* Last,
                                           unsigned char A, unsigned char B, bool Wide) {
#if defined(__SSE2__)
  if (Wide) {
    const __m128i VA = _mm_set1_epi8(static_cast<char>(A));
    const __m128i VB = _mm_set1_epi8(static_cast<char>(B));
    for (; Last - First >= 16; First += 16) {
      const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(First));
      const unsigned Hits = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(V, VA), _mm_cmpeq_epi8(V, VB))));
      if (Hits != 0) return First + __builtin_ctz(Hits);
    }
  }
#else
  (void)Wide;
#endif
  for (; First < Last; ++First)
    if (*First == A || *First == B) return First;
  return Last;
}
