#pragma once

// IMA (DVI) ADPCM blocks as stored in WAV files: per channel a 4-byte
// header (predictor sample, step index, zero byte), left first, then 4-bit
// codes, the earlier sample in the low nibble; mono codes in order, stereo
// in groups of 4 bytes (8 codes) per channel.

#include <cstdint>

struct TImaState {
  int16_t Sample = 0;
  uint8_t Index = 0;
};

// Frames one block of blockSize bytes holds (the header sample included);
// 0 when the block cannot even hold its headers. Channels 1 or 2.
int ImaBlockFrames(int blockSize, int channels);

// Decodes one block of blockBytes (a short last block decodes what it
// holds) into interleaved 16-bit samples; out holds at least capacityFrames
// frames. Returns the frames written; 0 for a block shorter than its
// headers. Step indices above 88 are clamped.
int DecodeImaBlock(const uint8_t* block, int blockBytes, int channels, int16_t* out,
                   int capacityFrames);

// Encodes ImaBlockFrames(blockSize, channels) interleaved frames of pcm
// into exactly blockSize bytes. The first frame is the block's predictor;
// state carries each channel's step index from block to block.
void EncodeImaBlock(const int16_t* pcm, int channels, TImaState* state, uint8_t* out,
                    int blockSize);
