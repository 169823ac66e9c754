#include "acs/MsAdpcm.h"

#include <algorithm>
#include <climits>

namespace {

constexpr int kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                 768, 614, 512, 409, 307, 230, 230, 230};

struct Channel {
  int coef1 = 0, coef2 = 0;
  int delta = 0;
  int sample1 = 0, sample2 = 0;

  inline int16_t Expand(int code) {
    const int64_t predicted = (int64_t(sample1) * coef1 + int64_t(sample2) * coef2) / 256;
    const int signedCode = code >= 8 ? code - 16 : code;
    const int64_t value =
        std::clamp<int64_t>(predicted + int64_t(signedCode) * delta, -32768, 32767);
    // A hostile block can keep the delta growing; keep it where the
    // products above cannot overflow. The shift divides as / 256 would
    // for every product the clamp lets through: a negative delta (from a
    // hostile header) gives a product of at most 0, which either way
    // becomes 16.
    delta = std::clamp(int((int64_t(delta) * kAdaptation[code]) >> 8), 16, INT_MAX / 768);
    sample2 = sample1;
    sample1 = int(value);
    return int16_t(value);
  }
};

inline int16_t S16(const uint8_t* p) { return int16_t(p[0] | (p[1] << 8)); }

}  // namespace

int MsBlockFrames(const TMsAdpcmFormat& f, int blockBytes) {
  if (f.Channels < 1 || f.Channels > 2 || f.SamplesPerBlock < 2) return 0;
  const int header = 7 * f.Channels;
  if (blockBytes < header) return 0;
  const int available = blockBytes - header;
  if (f.Channels == 1) {
    const int bytes = std::min((f.SamplesPerBlock - 2) / 2, available);
    return 2 + 2 * bytes;
  }
  return 2 + std::min(f.SamplesPerBlock - 2, available);
}

int DecodeMsBlock(const TMsAdpcmFormat& f, const uint8_t* block, int blockBytes, int16_t* out,
                  int capacityFrames) {
  if (f.NumCoefficients < 1 || !f.Coefficients) return 0;
  int frames = std::min(MsBlockFrames(f, blockBytes), capacityFrames);
  if (f.Channels == 1) frames &= ~1;  // mono codes come in pairs
  if (frames < 2) return 0;
  const int n = f.Channels;
  Channel ch[2];
  for (int c = 0; c < n; ++c) {
    const int predictor = std::min<int>(block[c], f.NumCoefficients - 1);
    ch[c].coef1 = f.Coefficients[predictor][0];
    ch[c].coef2 = f.Coefficients[predictor][1];
    ch[c].delta = S16(block + n + 2 * c);
    ch[c].sample1 = S16(block + 3 * n + 2 * c);
    ch[c].sample2 = S16(block + 5 * n + 2 * c);
    out[c] = int16_t(ch[c].sample2);
    out[n + c] = int16_t(ch[c].sample1);
  }
  const uint8_t* codes = block + 7 * n;
  if (n == 1) {
    for (int i = 0; 3 + 2 * i < frames; ++i) {
      out[2 + 2 * i] = ch[0].Expand(codes[i] >> 4);
      out[3 + 2 * i] = ch[0].Expand(codes[i] & 15);
    }
  } else {
    // The two channels' chains are independent: copies in locals let
    // them stay in registers and run side by side.
    Channel left = ch[0], right = ch[1];
    int16_t* o = out + 4;
    for (int i = 0; 2 + i < frames; ++i, o += 2) {
      const int code = codes[i];
      o[0] = left.Expand(code >> 4);
      o[1] = right.Expand(code & 15);
    }
  }
  return frames;
}
