#include "jobs/SampleScaler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The float formula the scaler stands for: the product in double (exact for
// a float times a 16-bit value), nearest with halves to even, saturated.
int16_t FloatScale(int16_t sample, float gain) {
  const double scaled = std::nearbyint(double(sample) * double(gain));
  return int16_t(std::clamp(scaled, -32768.0, 32767.0));
}

std::vector<float> Gains() {
  std::vector<float> gains;
  // Every percentage the options dialog allows, as the normaliser forms it.
  for (int percent = 0; percent <= 100; ++percent) gains.push_back(float(percent / 100.0));
  // Hand-edited settings beyond that range, and gains with awkward bits.
  for (int percent : {-100, -50, -1, 101, 150, 200, 333, 1000, 100000, 2000000000})
    gains.push_back(float(percent / 100.0));
  for (float g : {0.5f, 0.25f, 1.5f, 3.0f, 1e-7f, 1e-30f, 1e-44f, 0.99999994f, 1.0000001f, 32767.5f,
                  65536.0f, 1e30f, -0.333333f})
    gains.push_back(g);
  return gains;
}

TEST(SampleScaler, EverySampleMatchesTheFloatProduct) {
  for (float gain : Gains()) {
    const TSampleScaler scaler(gain);
    int mismatches = 0;
    int first = 0;
    for (int s = -32768; s <= 32767; ++s)
      if (scaler.Scale(int16_t(s)) != FloatScale(int16_t(s), gain) && mismatches++ == 0) first = s;
    EXPECT_EQ(mismatches, 0) << "gain " << gain << ", first at sample " << first;
  }
}

TEST(SampleScaler, HalvesGoToTheEvenNeighbour) {
  const TSampleScaler half(0.5f);
  EXPECT_EQ(half.Scale(1001), 500);
  EXPECT_EQ(half.Scale(-1001), -500);
  EXPECT_EQ(half.Scale(1003), 502);
  EXPECT_EQ(half.Scale(-32768), -16384);
  const TSampleScaler twice(2.0f);
  EXPECT_EQ(twice.Scale(20000), 32767);
  EXPECT_EQ(twice.Scale(-20000), -32768);
}

TEST(SampleScaler, BlockScalesWholeLittleEndianSamplesOnly) {
  const TSampleScaler half(0.5f);
  // 1001 (0x03E9), -1001 (0xFC17), then a lone byte.
  std::vector<uint8_t> data = {0xE9, 0x03, 0x17, 0xFC, 0x7F};
  half.ScaleBlock(data.data(), data.size());
  EXPECT_EQ(data, (std::vector<uint8_t>{0xF4, 0x01, 0x0C, 0xFE, 0x7F}));
}

TEST(SampleScaler, BlockPathMatchesTheFloatProductForEveryValue) {
  for (float gain : Gains()) {
    // Every value once, little-endian.
    std::vector<uint8_t> block;
    for (int s = -32768; s <= 32767; ++s) {
      block.push_back(uint8_t(uint16_t(s)));
      block.push_back(uint8_t(uint16_t(s) >> 8));
    }
    TSampleScaler(gain).ScaleBlock(block.data(), block.size());
    int mismatches = 0;
    for (int s = -32768; s <= 32767; ++s) {
      const size_t at = size_t(s + 32768) * 2;
      mismatches += int16_t(block[at] | (block[at + 1] << 8)) != FloatScale(int16_t(s), gain);
    }
    EXPECT_EQ(mismatches, 0) << "gain " << gain;
  }
}

}  // namespace
