#include "acs/MsAdpcm.h"

#include <algorithm>
#include <climits>

namespace {

constexpr int kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                 768, 614, 512, 409, 307, 230, 230, 230};
constexpr int kSignedCode[16] = {0, 1, 2, 3, 4, 5, 6, 7, -8, -7, -6, -5, -4, -3, -2, -1};

struct Channel {
  int coef1 = 0, coef2 = 0;
  int delta = 0;
  int sample1 = 0, sample2 = 0;

  inline int16_t Expand(int code) {
    const int64_t sum = int64_t(sample1) * coef1 + int64_t(sample2) * coef2;
    // sum / 256, rounded toward zero; within 24 bits, so the rest is int.
    const int predicted = int((sum + ((sum >> 63) & 255)) >> 8);
    const int value = std::clamp(predicted + kSignedCode[code] * delta, -32768, 32767);
    // A hostile block can keep the delta growing; keep it where the
    // products above cannot overflow. The shift divides as / 256 would
    // for every product the clamp lets through: a negative delta (from a
    // hostile header) gives a product of at most 0, which either way
    // becomes 16.
    delta = std::clamp((delta * kAdaptation[code]) >> 8, 16, INT_MAX / 768);
    sample2 = sample1;
    sample1 = value;
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

namespace {

// One block being decoded: its channels' state, its codes and where its
// samples go.
struct TBlockRun {
  Channel ch[2];
  const uint8_t* codes = nullptr;
  int16_t* out = nullptr;
  int frames = 0;
  int steps = 0;  // code bytes
};

// Reads a block's header and writes its two header frames; false when the
// block gives no frames.
bool StartBlock(const TMsAdpcmFormat& f, const uint8_t* block, int blockBytes, int16_t* out,
                int capacityFrames, TBlockRun& run) {
  if (f.NumCoefficients < 1 || !f.Coefficients) return false;
  int frames = std::min(MsBlockFrames(f, blockBytes), capacityFrames);
  if (f.Channels == 1) frames &= ~1;  // mono codes come in pairs
  if (frames < 2) return false;
  const int n = f.Channels;
  for (int c = 0; c < n; ++c) {
    const int predictor = std::min<int>(block[c], f.NumCoefficients - 1);
    run.ch[c].coef1 = f.Coefficients[predictor][0];
    run.ch[c].coef2 = f.Coefficients[predictor][1];
    run.ch[c].delta = S16(block + n + 2 * c);
    run.ch[c].sample1 = S16(block + 3 * n + 2 * c);
    run.ch[c].sample2 = S16(block + 5 * n + 2 * c);
    out[c] = int16_t(run.ch[c].sample2);
    out[n + c] = int16_t(run.ch[c].sample1);
  }
  run.codes = block + 7 * n;
  run.out = out + 2 * n;
  run.frames = frames;
  run.steps = n == 1 ? (frames - 2) / 2 : frames - 2;
  return true;
}

// Code byte i: two samples of a mono block, one frame of a stereo one.
template <int kChannels>
inline void Step(TBlockRun& r, int i) {
  const int code = r.codes[i];
  r.out[2 * i] = r.ch[0].Expand(code >> 4);
  r.out[2 * i + 1] = r.ch[kChannels - 1].Expand(code & 15);
}

template <int kChannels>
void Run(TBlockRun& r, int from) {
  // A copy in locals lets the state stay in registers.
  TBlockRun local = r;
  for (int i = from; i < local.steps; ++i) Step<kChannels>(local, i);
}

// Two blocks side by side: the chains of one block's samples are serial,
// but two blocks' are independent.
template <int kChannels>
void RunPair(TBlockRun& a, TBlockRun& b) {
  TBlockRun x = a, y = b;
  const int common = std::min(x.steps, y.steps);
  int i = 0;
  for (; i < common; ++i) {
    Step<kChannels>(x, i);
    Step<kChannels>(y, i);
  }
  Run<kChannels>(x, i);
  Run<kChannels>(y, i);
}

void RunBlock(int channels, TBlockRun& r) { channels == 1 ? Run<1>(r, 0) : Run<2>(r, 0); }

}  // namespace

int DecodeMsBlock(const TMsAdpcmFormat& f, const uint8_t* block, int blockBytes, int16_t* out,
                  int capacityFrames) {
  TBlockRun run;
  if (!StartBlock(f, block, blockBytes, out, capacityFrames, run)) return 0;
  RunBlock(f.Channels, run);
  return run.frames;
}

int DecodeMsBlockPair(const TMsAdpcmFormat& f, int blockAlign, const uint8_t* blocks, int bytes,
                      int16_t* out, int capacityFrames) {
  const int first = std::min(bytes, blockAlign);
  TBlockRun a, b;
  if (!StartBlock(f, blocks, first, out, capacityFrames, a)) return 0;
  const bool two = bytes > blockAlign && StartBlock(f, blocks + blockAlign, bytes - blockAlign,
                                                    out + a.frames * f.Channels, capacityFrames, b);
  if (!two) {
    RunBlock(f.Channels, a);
    return a.frames;
  }
  f.Channels == 1 ? RunPair<1>(a, b) : RunPair<2>(a, b);
  return a.frames + b.frames;
}
