#include "acs/ConverterRateFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <random>
#include <vector>

namespace {

std::vector<int16_t> Noise(size_t samples, unsigned seed, int amplitude = 20000) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> dist(-amplitude, amplitude);
  std::vector<int16_t> v(samples);
  for (auto& s : v) s = static_cast<int16_t>(dist(gen));
  return v;
}

std::vector<int16_t> Sine(size_t frames, int channels, double hz, int rate, double amplitude) {
  std::vector<int16_t> v(frames * channels);
  for (size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      v[i * channels + c] = static_cast<int16_t>(
          std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * double(i) / rate)));
  return v;
}

std::vector<int16_t> Convert(int inRate, int outRate, int channels, const std::vector<int16_t>& in,
                             size_t blockFrames, int kernel = 30) {
  TRateFilter filter;
  filter.Setup(inRate, outRate, channels, kernel, fwBlackman);
  std::vector<int16_t> out;
  const size_t frames = in.size() / channels;
  for (size_t pos = 0; pos < frames; pos += blockFrames) {
    const size_t n = std::min(blockFrames, frames - pos);
    filter.Process(in.data() + pos * channels, n, out);
  }
  return out;
}

// RMS of one channel, skipping the filter's start-up and end.
double Rms(const std::vector<int16_t>& v, int channels, int channel, size_t skip) {
  const size_t frames = v.size() / channels;
  double sum = 0;
  size_t count = 0;
  for (size_t i = skip; i + skip < frames; ++i, ++count) {
    const double s = v[i * channels + channel];
    sum += s * s;
  }
  return count ? std::sqrt(sum / count) : 0;
}

// 44100 -> 22050 by definition: output k is the reversed kernel applied at
// input position 2k, zeros before the start.
std::vector<double> HalvingReference(const std::vector<int16_t>& x, int n) {
  TRateFilter reference;
  reference.Setup(44100, 22050, 1, n, fwBlackman);
  const auto h = reference.Kernel();
  std::vector<double> out;
  for (size_t j = 0; j < x.size(); j += 2) {
    double sum = 0;
    for (int tap = 0; tap < n; ++tap) {
      const long idx = static_cast<long>(j) - tap;
      if (idx >= 0) sum += h[n - 1 - tap] * x[idx];
    }
    out.push_back(sum);
  }
  return out;
}

}  // namespace

TEST(ConverterRateFilter, HalvingKeepsEverySecondPositionFiltered) {
  const int n = 30;
  const auto x = Noise(1000, 1);
  const auto y = Convert(44100, 22050, 1, x, 1000, n);
  ASSERT_EQ(y.size(), 500u);
  const auto expected = HalvingReference(x, n);
  for (size_t k = 0; k < y.size(); ++k) ASSERT_NEAR(y[k], expected[k], 0.5 + 1e-9) << k;
}

TEST(ConverterRateFilter, DoublingGivesTwoOutputsPerInput) {
  for (int channels : {1, 2}) {
    const auto x = Noise(4096 * channels, 2);
    const auto y = Convert(22050, 44100, channels, x, 4096);
    EXPECT_EQ(y.size(), 2 * x.size()) << channels;
  }
  EXPECT_EQ(RateConverterBlockSize(2.0f), 16384);
}

TEST(ConverterRateFilter, OutputCountFollowsTheRatio) {
  const std::pair<int, int> rates[] = {{44100, 22050}, {48000, 44100}, {44100, 8000},
                                       {32000, 44100}, {8000, 48000},  {44100, 44100}};
  for (auto [in, out] : rates) {
    const size_t frames = 10000;
    const auto y = Convert(in, out, 2, Noise(frames * 2, 3), 777);
    const double expected = double(frames) * out / in;
    EXPECT_NEAR(double(y.size() / 2), expected, 1.0) << in << "->" << out;
    EXPECT_EQ(y.size() % 2, 0u);
  }
}

TEST(ConverterRateFilter, BlockBoundariesDoNotChangeTheResult) {
  const std::pair<int, int> rates[] = {
      {44100, 22050}, {48000, 44100}, {22050, 44100}, {32000, 44100}, {44100, 44100}};
  for (auto [in, out] : rates) {
    for (int channels : {1, 2}) {
      const auto x = Noise(3000 * channels, 4);
      const auto whole = Convert(in, out, channels, x, 3000, 40);
      // Irregular blocks, several shorter than the kernel's history.
      TRateFilter filter;
      filter.Setup(in, out, channels, 40, fwBlackman);
      std::vector<int16_t> pieces;
      std::mt19937 gen(5);
      std::uniform_int_distribution<size_t> len(1, 300);
      for (size_t pos = 0; pos < 3000;) {
        const size_t n = std::min(len(gen), 3000 - pos);
        filter.Process(x.data() + pos * channels, n, pieces);
        pos += n;
      }
      EXPECT_EQ(pieces, whole) << in << "->" << out << " ch " << channels;
    }
  }
}

TEST(ConverterRateFilter, PassBandKeptStopBandRemoved) {
  struct Case {
    int in, out;
    double passHz, stopHz;
  };
  // Cut-off at 0.4 of the lower rate; equal rates still filter.
  const Case cases[] = {{44100, 22050, 1000, 15000},
                        {22050, 44100, 1000, 10500},
                        {44100, 44100, 1000, 20000},
                        {48000, 32000, 2000, 20000}};
  for (const auto& c : cases) {
    const size_t frames = c.in;  // one second
    const double amp = 10000;
    const auto pass = Convert(c.in, c.out, 2, Sine(frames, 2, c.passHz, c.in, amp), 4096, 128);
    const auto stop = Convert(c.in, c.out, 2, Sine(frames, 2, c.stopHz, c.in, amp), 4096, 128);
    const double sineRms = amp / std::sqrt(2.0);
    for (int ch : {0, 1}) {
      EXPECT_NEAR(Rms(pass, 2, ch, 200), sineRms, sineRms * 0.02) << c.in << "->" << c.out;
      EXPECT_LT(Rms(stop, 2, ch, 200), sineRms * 0.01) << c.in << "->" << c.out;
    }
  }
}

TEST(ConverterRateFilter, OvershootSaturatesInsteadOfWrapping) {
  // A full-scale square wave rings past the 16-bit range after filtering.
  std::vector<int16_t> x(8000);
  for (size_t i = 0; i < x.size(); ++i) x[i] = (i / 50) % 2 ? -32768 : 32767;

  const auto down = Convert(44100, 22050, 1, x, 1024);
  const auto sums = HalvingReference(x, 30);
  ASSERT_EQ(down.size(), sums.size());
  int overshoots = 0;
  for (size_t k = 0; k < down.size(); ++k) {
    const double clamped = std::clamp(sums[k], -32768.0, 32767.0);
    ASSERT_NEAR(down[k], clamped, 0.5 + 1e-9) << k;
    if (sums[k] > 32767.5 || sums[k] < -32768.5) ++overshoots;
  }
  EXPECT_GT(overshoots, 0);

  const auto up = Convert(22050, 44100, 1, x, 1024);
  EXPECT_EQ(*std::max_element(up.begin(), up.end()), 32767);
  EXPECT_EQ(*std::min_element(up.begin(), up.end()), -32768);
  int worstJump = 0;
  for (size_t i = 1; i < up.size(); ++i)
    worstJump = std::max(worstJump, std::abs(up[i] - up[i - 1]));
  EXPECT_LT(worstJump, 40000);  // a wrapped overshoot would jump by ~65535
}

TEST(ConverterRateFilter, EachRunStartsFromSilence) {
  const auto x = Noise(2000, 6);
  TRateFilter filter;
  std::vector<int16_t> first, second;
  filter.Setup(22050, 44100, 1, 30, fwBlackman);
  filter.Process(x.data(), 2000, first);
  filter.Setup(22050, 44100, 1, 30, fwBlackman);
  filter.Process(x.data(), 2000, second);
  EXPECT_EQ(first, second);
  // Leading output: interpolation from silence toward the first sample.
  EXPECT_EQ(first[0], 0);
}

TEST(ConverterRateFilter, BlockSizesAndCutoff) {
  EXPECT_EQ(RateConverterBlockSize(0.5f), 32768);
  EXPECT_EQ(RateConverterBlockSize(1.0f), 32768);
  const float r = 44100.0f / 32000.0f;
  const int32_t b = RateConverterBlockSize(r);
  EXPECT_EQ(b % 4, 0);
  EXPECT_LE(b, 32768 / r);
  EXPECT_GT(b, 32768 / r - 4);
  EXPECT_EQ(RateConverterBlockSize(100000.0f), 4);
  EXPECT_DOUBLE_EQ(RateConverterCutoff(2.0f), 0.2);
  EXPECT_DOUBLE_EQ(RateConverterCutoff(0.5f), 0.2);
  EXPECT_DOUBLE_EQ(RateConverterCutoff(1.0f), 0.4);
  EXPECT_EQ(SaturateSample(40000.4), 32767);
  EXPECT_EQ(SaturateSample(-40000.0), -32768);
  EXPECT_EQ(SaturateSample(-2.6), -3);
}
