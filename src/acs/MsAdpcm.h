#pragma once

// Microsoft ADPCM blocks: a header per channel (predictor index, delta,
// sample 1, sample 2; stereo fields interleaved left/right), then 4-bit
// codes, high nibble first (stereo: high = left, low = right).

#include <cstdint>

struct TMsAdpcmFormat {
  int Channels = 0;
  int SamplesPerBlock = 0;
  int NumCoefficients = 0;  // 1..32
  const int16_t (*Coefficients)[2] = nullptr;
};

// Frames a block of blockBytes yields for the format (limited by both the
// samples per block and the bytes at hand); 0 when the block is shorter
// than its header.
int MsBlockFrames(const TMsAdpcmFormat& format, int blockBytes);

// Decodes one block into interleaved 16-bit samples; out holds at least
// capacityFrames frames. Predictor indices past the table are clamped to
// its last pair. Returns the frames written.
int DecodeMsBlock(const TMsAdpcmFormat& format, const uint8_t* block, int blockBytes, int16_t* out,
                  int capacityFrames);

// Decodes the block at blocks (blockAlign bytes, or all of bytes when fewer)
// and, when more bytes follow, a second block from them (at most blockAlign),
// each limited to capacityFrames; its frames follow the first's in out. The
// same samples as two DecodeMsBlock calls, decoded side by side. Returns the
// frames of both.
int DecodeMsBlockPair(const TMsAdpcmFormat& format, int blockAlign, const uint8_t* blocks,
                      int bytes, int16_t* out, int capacityFrames);
