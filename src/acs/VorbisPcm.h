#pragma once

#include <cstddef>
#include <cstdint>

// Decoded Vorbis samples (one float array per channel) to interleaved
// 16-bit little-endian PCM, byte for byte as the decoder library's own
// 16-bit reader makes them on x86-64: the sample times 32768 in single
// precision, rounded to nearest in the current rounding mode (halves to
// even), saturated at the 16-bit limits; NaN and values outside the 32-bit
// range become -32768, as the processor's conversion makes them.
int16_t VorbisSampleTo16(float sample);

// frames x channels samples from channel[0..channels-1] into out, which
// holds frames x channels x 2 bytes.
void VorbisFloatsTo16(const float* const* channel, int channels, size_t frames, uint8_t* out);
