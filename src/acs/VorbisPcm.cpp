#include "acs/VorbisPcm.h"

#include "acs/WaveHeader.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

int16_t VorbisSampleTo16(float sample) {
  const float scaled = sample * 32768.f;
  // The processor's conversion gives its "indefinite" INT32_MIN here.
  if (!(scaled >= -2147483648.f && scaled < 2147483648.f)) return -32768;
  const double rounded = std::nearbyint(double(scaled));
  if (rounded > 32767) return 32767;
  if (rounded < -32768) return -32768;
  return static_cast<int16_t>(rounded);
}

namespace {

#if defined(__SSE2__)
// Four samples rounded as VorbisSampleTo16 does, before saturation:
// cvtps2dq gives INT32_MIN for NaN and out-of-range values too, and the
// packing that follows saturates as the scalar clamps do.
inline __m128i Scaled4(const float* p) {
  return _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(p), _mm_set1_ps(32768.f)));
}

inline __m128i Samples8(const float* p) { return _mm_packs_epi32(Scaled4(p), Scaled4(p + 4)); }
#endif

void Interleave(const float* const* channel, int channels, size_t from, size_t frames,
                uint8_t* out) {
  for (size_t i = from; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      PutLE16(out + 2 * (i * size_t(channels) + size_t(c)),
              static_cast<uint16_t>(VorbisSampleTo16(channel[c][i])));
}

}  // namespace

void VorbisFloatsTo16(const float* const* channel, int channels, size_t frames, uint8_t* out) {
  size_t done = 0;
#if defined(__SSE2__)
  // Eight frames a step for the usual layouts; x86 stores little-endian.
  if (channels == 2) {
    const float* left = channel[0];
    const float* right = channel[1];
    for (; done + 8 <= frames; done += 8) {
      const __m128i l = Samples8(left + done);
      const __m128i r = Samples8(right + done);
      auto* to = reinterpret_cast<__m128i*>(out + 4 * done);
      _mm_storeu_si128(to, _mm_unpacklo_epi16(l, r));
      _mm_storeu_si128(to + 1, _mm_unpackhi_epi16(l, r));
    }
  } else if (channels == 1) {
    for (; done + 8 <= frames; done += 8)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * done), Samples8(channel[0] + done));
  }
#endif
  Interleave(channel, channels, done, frames, out);
}
