#include "acs/ConverterSampleOps.h"

#include <algorithm>
#include <cmath>

void StereoToMono16(const int16_t* in, size_t frames, int16_t* out) {
  for (size_t i = 0; i < frames; ++i) {
    // C++ integer division truncates toward zero.
    out[i] = static_cast<int16_t>((int32_t{in[2 * i]} + int32_t{in[2 * i + 1]}) / 2);
  }
}

void MonoToStereo16(const int16_t* in, size_t samples, int16_t* out, TMSConverterMode mode) {
  for (size_t i = 0; i < samples; ++i) {
    const int16_t s = in[i];
    out[2 * i] = mode == msmMonoToLeft ? int16_t{0} : s;
    out[2 * i + 1] = mode == msmMonoToRight ? int16_t{0} : s;
  }
}

void Convert16To8(const int16_t* in, size_t samples, uint8_t* out) {
  for (size_t i = 0; i < samples; ++i)
    out[i] = static_cast<uint8_t>((int32_t{in[i]} + 32768) / 256);
}

void Convert8To16(const uint8_t* in, size_t samples, int16_t* out) {
  for (size_t i = 0; i < samples; ++i) out[i] = static_cast<int16_t>((int32_t{in[i]} - 128) * 256);
}

TBalanceGains BalanceGains(float balance) {
  const double b = std::clamp(static_cast<double>(balance), 0.0, 1.0);
  if (b > 0.5) return {2 * (1 - b), 1.0};
  return {1.0, 2 * b};
}

void ApplyBalance16(int16_t* frames, size_t count, TBalanceGains gains) {
  for (size_t i = 0; i < count; ++i) {
    // Gains never exceed 1, so the rounded product stays in range.
    frames[2 * i] = static_cast<int16_t>(std::lround(frames[2 * i] * gains.Left));
    frames[2 * i + 1] = static_cast<int16_t>(std::lround(frames[2 * i + 1] * gains.Right));
  }
}

void ApplyBalance8(uint8_t* frames, size_t count, TBalanceGains gains) {
  auto scale = [](uint8_t s, double g) {
    return static_cast<uint8_t>(128 + std::lround((int{s} - 128) * g));
  };
  for (size_t i = 0; i < count; ++i) {
    frames[2 * i] = scale(frames[2 * i], gains.Left);
    frames[2 * i + 1] = scale(frames[2 * i + 1], gains.Right);
  }
}
