#include "acs/ImaAdpcm.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr int kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

// Every step index and code worked out once: the signed difference the
// code adds to the predictor and the step index it leads to. A code then
// takes two table reads, an add and a clamp.
struct TExpandTables {
  int32_t Diff[89][16];  // up to 15/8 of the largest step: beyond 16 bits
  uint8_t Next[89][16];
};

constexpr TExpandTables MakeExpandTables() {
  TExpandTables t{};
  for (int index = 0; index < 89; ++index)
    for (int code = 0; code < 16; ++code) {
      const int step = kStepTable[index];
      int diff = step >> 3;
      if (code & 4) diff += step;
      if (code & 2) diff += step >> 1;
      if (code & 1) diff += step >> 2;
      t.Diff[index][code] = (code & 8) ? -diff : diff;
      const int next = index + kIndexTable[code];
      t.Next[index][code] = uint8_t(next < 0 ? 0 : next > 88 ? 88 : next);
    }
  return t;
}

constexpr TExpandTables kExpand = MakeExpandTables();

// Applies one code to the channel state, as decoder and encoder both do.
inline int16_t Expand(int& predictor, int& index, int code) {
  predictor = std::clamp(predictor + kExpand.Diff[index][code], -32767, 32767);
  index = kExpand.Next[index][code];
  return int16_t(predictor);
}

inline int Quantize(int sample, int predictor, int index) {
  const int step = kStepTable[index];
  int diff = sample - predictor;
  int code = 0;
  if (diff < 0) {
    code = 8;
    diff = -diff;
  }
  if (diff >= step) {
    code |= 4;
    diff -= step;
  }
  if (diff >= step >> 1) {
    code |= 2;
    diff -= step >> 1;
  }
  if (diff >= step >> 2) code |= 1;
  return code;
}

// Codes per channel that fit the code area of a block.
int CodesPerChannel(int blockSize, int channels) {
  const int codeBytes = blockSize - 4 * channels;
  if (codeBytes < 0) return -1;
  if (channels == 1) return codeBytes * 2;
  return (codeBytes / (4 * channels)) * 8;
}

// Byte offset (from the code area) and nibble of code k of channel ch.
inline void CodePlace(int k, int ch, int channels, int& byte, int& high) {
  if (channels == 1) {
    byte = k >> 1;
    high = k & 1;
  } else {
    const int group = k >> 3, within = k & 7;
    byte = group * 4 * channels + ch * 4 + (within >> 1);
    high = within & 1;
  }
}

}  // namespace

int ImaBlockFrames(int blockSize, int channels) {
  if (channels < 1 || channels > 2) return 0;
  const int codes = CodesPerChannel(blockSize, channels);
  return codes < 0 ? 0 : codes + 1;
}

namespace {

struct TChannel {
  int Predictor;
  int Index;
  inline int16_t Step(int code) { return Expand(Predictor, Index, code); }
};

}  // namespace

int DecodeImaBlock(const uint8_t* block, int blockBytes, int channels, int16_t* out,
                   int capacityFrames) {
  if (channels < 1 || channels > 2 || blockBytes < 4 * channels || capacityFrames < 1) return 0;
  const int frames = std::min(ImaBlockFrames(blockBytes, channels), capacityFrames);
  const uint8_t* codes = block + 4 * channels;
  TChannel ch[2];
  for (int c = 0; c < channels; ++c) {
    ch[c].Predictor = int16_t(block[4 * c] | (block[4 * c + 1] << 8));
    ch[c].Index = std::min<int>(block[4 * c + 2], 88);
    out[c] = int16_t(ch[c].Predictor);
  }
  int k = 0;  // codes done per channel
  int16_t* o = out + channels;
  if (channels == 1) {
    // Two codes a byte, the low nibble first.
    for (; k + 2 < frames; k += 2, o += 2) {
      const uint8_t b = codes[k >> 1];
      o[0] = ch[0].Step(b & 15);
      o[1] = ch[0].Step(b >> 4);
    }
  } else {
    // Groups of 8 bytes: 8 codes of the left channel, then 8 of the right;
    // the two channels' chains run side by side.
    for (; k + 8 < frames; k += 8, o += 16) {
      const uint8_t* g = codes + (k >> 3) * 8;
      for (int i = 0; i < 8; ++i) {
        const int shift = (i & 1) * 4;
        o[2 * i] = ch[0].Step((g[i >> 1] >> shift) & 15);
        o[2 * i + 1] = ch[1].Step((g[4 + (i >> 1)] >> shift) & 15);
      }
    }
  }
  // The rest of a block cut short, code by code.
  for (; k + 1 < frames; ++k) {
    for (int c = 0; c < channels; ++c) {
      int byte, high;
      CodePlace(k, c, channels, byte, high);
      const int code = high ? codes[byte] >> 4 : codes[byte] & 15;
      out[(k + 1) * channels + c] = ch[c].Step(code);
    }
  }
  return frames;
}

void EncodeImaBlock(const int16_t* pcm, int channels, TImaState* state, uint8_t* out,
                    int blockSize) {
  std::memset(out, 0, size_t(blockSize));
  const int frames = ImaBlockFrames(blockSize, channels);
  if (frames == 0) return;
  uint8_t* codes = out + 4 * channels;
  for (int ch = 0; ch < channels; ++ch) {
    int predictor = pcm[ch];
    int index = std::min<int>(state[ch].Index, 88);
    out[4 * ch] = uint8_t(predictor);
    out[4 * ch + 1] = uint8_t(predictor >> 8);
    out[4 * ch + 2] = uint8_t(index);
    for (int k = 0; k + 1 < frames; ++k) {
      const int code = Quantize(pcm[(k + 1) * channels + ch], predictor, index);
      Expand(predictor, index, code);
      int byte, high;
      CodePlace(k, ch, channels, byte, high);
      codes[byte] |= uint8_t(high ? code << 4 : code);
    }
    state[ch].Sample = int16_t(predictor);
    state[ch].Index = uint8_t(index);
  }
}
