#pragma once

#include <cstddef>
#include <cstdint>

// Sample-level conversions of the channel, depth and balance converters.
// Buffers hold little-endian interleaved PCM; counts are whole samples or
// frames, never bytes, so no routine reads or writes a partial sample.

enum TMSConverterMode { msmMonoToBoth = 0, msmMonoToLeft = 1, msmMonoToRight = 2 };

// 16-bit stereo frames to mono: (L + R) / 2, truncated toward zero.
void StereoToMono16(const int16_t* in, size_t frames, int16_t* out);
// 16-bit mono samples to stereo frames; the silent channel gets 0.
void MonoToStereo16(const int16_t* in, size_t samples, int16_t* out, TMSConverterMode mode);
// Signed 16-bit to unsigned 8-bit: the high byte of the offset value.
void Convert16To8(const int16_t* in, size_t samples, uint8_t* out);
// Unsigned 8-bit to signed 16-bit: (b - 128) x 256.
void Convert8To16(const uint8_t* in, size_t samples, int16_t* out);

// Gains of the two channels for a balance of 0 (right silent) to 1 (left
// silent); 0.5 leaves both unchanged.
struct TBalanceGains {
  double Left;
  double Right;
};
TBalanceGains BalanceGains(float balance);

// Scales stereo frames in place; 8-bit samples are scaled around their
// silence value 128.
void ApplyBalance16(int16_t* frames, size_t count, TBalanceGains gains);
void ApplyBalance8(uint8_t* frames, size_t count, TBalanceGains gains);
