#include "jobs/SampleScaler.h"

#include <bit>
#include <cmath>
#include <cstring>

TSampleScaler::TSampleScaler(float gain) {
  SplitGain(gain);
  table_.resize(65536);
  for (uint32_t bits = 0; bits < 65536; ++bits)
    table_[bits] = static_cast<uint16_t>(Scale(static_cast<int16_t>(bits)));
}

void TSampleScaler::SplitGain(float gain) {
  if (!std::isfinite(gain) || gain == 0) return;  // scales everything to 0
  int exponent = 0;
  const double fraction = std::frexp(static_cast<double>(gain), &exponent);
  // gain = mantissa x 2^(exponent - 24), the mantissa a 24-bit integer.
  int64_t mantissa = static_cast<int64_t>(std::ldexp(fraction, 24));
  int shift = 24 - exponent;
  // Fewer bits to shift out, same value.
  while (shift > 0 && (mantissa & 1) == 0) {
    mantissa /= 2;
    --shift;
  }
  if (shift < 0) {
    // Large gains: every product saturates long before this overflows.
    const int up = -shift;
    mantissa = up >= 24 ? (mantissa < 0 ? -(int64_t{1} << 40) : (int64_t{1} << 40))
                        : mantissa * (int64_t{1} << up);
    shift = 0;
  }
  if (shift > 62) {
    // So small that every product rounds to 0.
    mantissa = 0;
    shift = 0;
  }
  mantissa_ = mantissa;
  shift_ = shift;
}

void TSampleScaler::ScaleBlock(uint8_t* data, size_t bytes) const {
  const uint16_t* table = table_.data();
  if constexpr (std::endian::native == std::endian::little) {
    // A sample's bytes are its 16-bit pattern in memory order: one load and
    // one store a sample, which the byte loop below takes four operations
    // for.
    const size_t samples = bytes / 2;
    for (size_t i = 0; i < samples; ++i) {
      uint16_t value;
      std::memcpy(&value, data + 2 * i, 2);
      value = table[value];
      std::memcpy(data + 2 * i, &value, 2);
    }
    return;
  }
  for (size_t i = 0; i + 1 < bytes; i += 2) {
    const uint16_t value = table[data[i] | (data[i + 1] << 8)];
    data[i] = static_cast<uint8_t>(value);
    data[i + 1] = static_cast<uint8_t>(value >> 8);
  }
}
