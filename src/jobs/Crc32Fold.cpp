#include "jobs/Crc32Fold.h"

#if defined(__x86_64__)

#include <immintrin.h>

namespace {

// The reflected-domain constants for the zip polynomial: x^(4*128+32) and
// x^(4*128-32) mod P for the four-lane fold, x^(128+32) and x^(128-32) for
// the one-lane fold, x^64 mod P for 64 -> 32 bits, then P and the Barrett
// constant floor(x^64 / P).
alignas(16) constexpr uint64_t kFold4[2] = {0x0154442bd4, 0x01c6e41596};
alignas(16) constexpr uint64_t kFold1[2] = {0x01751997d0, 0x00ccaa009e};
alignas(16) constexpr uint64_t kFold64[2] = {0x0163cd6124, 0};
alignas(16) constexpr uint64_t kBarrett[2] = {0x01db710641, 0x01f7011641};

__attribute__((target("pclmul,sse4.1"))) inline __m128i FoldInto(__m128i acc, __m128i k,
                                                                 __m128i next) {
  const __m128i low = _mm_clmulepi64_si128(acc, k, 0x00);
  const __m128i high = _mm_clmulepi64_si128(acc, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

__m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

}  // namespace

bool Crc32FoldAvailable() {
  static const bool available =
      __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  return available;
}

__attribute__((target("pclmul,sse4.1"))) uint32_t Crc32Fold(uint32_t state, const uint8_t* data,
                                                            size_t bytes, size_t* used) {
  if (bytes < 64) {
    *used = 0;
    return state;
  }
  const uint8_t* p = data;
  size_t left = bytes & ~size_t{15};
  __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(state)));
  __m128i x2 = Load(p + 16);
  __m128i x3 = Load(p + 32);
  __m128i x4 = Load(p + 48);
  p += 64;
  left -= 64;
  __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold4));
  for (; left >= 64; p += 64, left -= 64) {
    x1 = FoldInto(x1, k, Load(p));
    x2 = FoldInto(x2, k, Load(p + 16));
    x3 = FoldInto(x3, k, Load(p + 32));
    x4 = FoldInto(x4, k, Load(p + 48));
  }
  // Four lanes into one, then the remaining 16-byte blocks.
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold1));
  x1 = FoldInto(x1, k, x2);
  x1 = FoldInto(x1, k, x3);
  x1 = FoldInto(x1, k, x4);
  for (; left >= 16; p += 16, left -= 16) x1 = FoldInto(x1, k, Load(p));
  // 128 bits to 64, to 32 (Barrett).
  const __m128i mask32 = _mm_setr_epi32(~0, 0, ~0, 0);
  __m128i x = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k, 0x10));
  k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
  x = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x, mask32), k, 0x00), _mm_srli_si128(x, 4));
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
  __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x, mask32), k, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, mask32), k, 0x00);
  x = _mm_xor_si128(x, t);
  *used = static_cast<size_t>(p - data);
  return static_cast<uint32_t>(_mm_extract_epi32(x, 1));
}

#else

bool Crc32FoldAvailable() { return false; }

uint32_t Crc32Fold(uint32_t state, const uint8_t*, size_t, size_t* used) {
  *used = 0;
  return state;
}

#endif
