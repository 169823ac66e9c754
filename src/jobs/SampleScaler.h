#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Scales 16-bit samples by a single-precision gain with integer arithmetic
// only: the gain is split into its 24-bit mantissa and a power of two, the
// product with a sample is exact in 64 bits, and the shift back rounds
// halves to even. The result is the one the float product would round to
// (nearest, halves to even), saturated at the 16-bit limits.
class TSampleScaler {
 public:
  explicit TSampleScaler(float gain);

  int16_t Scale(int16_t sample) const {
    const int64_t product = int64_t{sample} * mantissa_;
    int64_t r = product;
    if (shift_ > 0) {
      // Halves to even: the bias is one short of a half, plus the lowest
      // kept bit, so a tie rounds up only from an odd quotient.
      const int64_t bias = (int64_t{1} << (shift_ - 1)) - 1 + ((product >> shift_) & 1);
      r = (product + bias) >> shift_;
    }
    if (r > 32767) r = 32767;
    if (r < -32768) r = -32768;
    return static_cast<int16_t>(r);
  }

  // Scales every whole 16-bit little-endian sample of data in place; an odd
  // last byte stays as it is. Looks each sample up in a table that Scale
  // filled for all 65536 values.
  void ScaleBlock(uint8_t* data, size_t bytes) const;

 private:
  void SplitGain(float gain);

  int64_t mantissa_ = 0;
  int shift_ = 0;
  // Scale of every sample, by its 16-bit pattern.
  std::vector<uint16_t> table_;
};
