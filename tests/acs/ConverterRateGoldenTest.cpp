// The rate filter against the straightforward formulation it replaced: the
// interpolation divided per sample and the overlap-add summed tap by tap
// into an accumulator. Every output sample must be identical, whatever the
// rates, window, kernel width, channels or block sizes.

#include "acs/ConverterRateFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// The former rounding of a filter sum, kept as written.
int16_t LegacySaturate(double value) {
  const double r = std::nearbyint(value);
  if (r >= 32767) return 32767;
  if (r <= -32768) return -32768;
  return static_cast<int16_t>(r);
}

// The former TRateFilter, kept as written.
class LegacyRateFilter {
 public:
  void Setup(int32_t inRate, int32_t outRate, int channels, int kernelWidth,
             TFilterWindowType window) {
    inRate_ = std::max(inRate, 1);
    outRate_ = std::max(outRate, 1);
    channels_ = std::clamp(channels, 1, 2);
    const float ratio = static_cast<float>(outRate_) / static_cast<float>(inRate_);
    kernel_.assign(static_cast<size_t>(std::max(kernelWidth, 2)), 0.0);
    CalculateSincKernel(kernel_, RateConverterCutoff(ratio), window);
    phase_ = -1;
    const size_t history = kernel_.size() - 1;
    window_.assign(channels_, std::vector<int32_t>(history, 0));
    accumulator_.assign(channels_, std::vector<double>(history, 0.0));
    lastSample_.assign(channels_, 0);
  }

  void Process(const int16_t* in, size_t frames, std::vector<int16_t>& out) {
    if (frames == 0) return;
    if (outRate_ >= inRate_)
      Upsample(in, frames, out);
    else
      Downsample(in, frames, out);
  }

 private:
  void Downsample(const int16_t* in, size_t frames, std::vector<int16_t>& out) {
    const size_t n = kernel_.size();
    const size_t history = n - 1;
    for (int c = 0; c < channels_; ++c) {
      auto& w = window_[c];
      w.resize(history + frames);
      for (size_t j = 0; j < frames; ++j) w[history + j] = in[j * channels_ + c];
    }
    if (phase_ < 0) phase_ = outRate_;
    for (size_t j = 0; j < frames; ++j) {
      if (outRate_ < phase_) {
        phase_ -= outRate_;
        continue;
      }
      for (int c = 0; c < channels_; ++c) {
        const int32_t* x = window_[c].data() + j;
        double sum = 0;
        for (size_t i = 0; i < n; ++i) sum += kernel_[i] * x[i];
        out.push_back(LegacySaturate(sum));
      }
      phase_ += inRate_ - outRate_;
    }
    for (auto& w : window_) w.erase(w.begin(), w.end() - static_cast<std::ptrdiff_t>(history));
  }

  void Upsample(const int16_t* in, size_t frames, std::vector<int16_t>& out) {
    const size_t n = kernel_.size();
    const size_t tail = n - 1;
    const size_t capacity = static_cast<size_t>(int64_t(frames) * outRate_ / inRate_ + 2) + tail;
    for (auto& a : accumulator_) {
      a.resize(tail);
      a.resize(capacity, 0.0);
    }
    if (phase_ < 0) phase_ = 0;
    const int64_t inRate = inRate_, outRate = outRate_;
    size_t f = 0;
    int64_t t = phase_;
    for (size_t j = 0; j < frames; ++j) {
      while (t < outRate) {
        for (int c = 0; c < channels_; ++c) {
          const int64_t p = j == 0 ? lastSample_[c] : in[(j - 1) * channels_ + c];
          const int64_t q = in[j * channels_ + c];
          const double v = std::nearbyint(static_cast<double>((outRate - t) * p + t * q) / outRate);
          double* a = accumulator_[c].data() + f;
          for (size_t i = 0; i < n; ++i) a[i] += v * kernel_[i];
        }
        ++f;
        t += inRate;
      }
      t -= outRate;
    }
    phase_ = t;
    for (int c = 0; c < channels_; ++c) lastSample_[c] = in[(frames - 1) * channels_ + c];
    const size_t base = out.size();
    out.resize(base + f * channels_);
    for (size_t k = 0; k < f; ++k)
      for (int c = 0; c < channels_; ++c)
        out[base + k * channels_ + c] = LegacySaturate(accumulator_[c][k]);
    for (auto& a : accumulator_) {
      std::copy(a.begin() + static_cast<std::ptrdiff_t>(f),
                a.begin() + static_cast<std::ptrdiff_t>(f + tail), a.begin());
      a.resize(tail);
    }
  }

  int32_t inRate_ = 0;
  int32_t outRate_ = 0;
  int channels_ = 1;
  std::vector<double> kernel_;
  int64_t phase_ = -1;
  std::vector<std::vector<int32_t>> window_;
  std::vector<std::vector<double>> accumulator_;
  std::vector<int32_t> lastSample_;
};

// Full-scale noise with runs of the extremes (so the saturation is hit),
// silence and a slow ramp, so ties in the interpolation occur too.
std::vector<int16_t> TestSignal(size_t frames, int channels, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> sample(-32768, 32767);
  std::vector<int16_t> v(frames * channels);
  for (size_t i = 0; i < v.size(); ++i) {
    const size_t part = (i / 997) % 4;
    if (part == 0)
      v[i] = static_cast<int16_t>(sample(gen));
    else if (part == 1)
      v[i] = (i / 7) % 2 ? 32767 : -32768;
    else if (part == 2)
      v[i] = 0;
    else
      v[i] = static_cast<int16_t>(int(i % 4096) - 2048);
  }
  return v;
}

struct GoldenCase {
  int inRate;
  int outRate;
  int channels;
  int kernel;
  TFilterWindowType window;
};

class RateGolden : public ::testing::TestWithParam<GoldenCase> {};

// Feeds both filters the same signal in the same uneven blocks, twice (a
// second run after a new Setup must start afresh in both).
TEST_P(RateGolden, SameSamplesAsTheFormerFilter) {
  const GoldenCase c = GetParam();
  const size_t frames = 20000;
  const auto signal = TestSignal(frames, c.channels, unsigned(c.inRate + c.outRate + c.kernel));
  TRateFilter fast;
  LegacyRateFilter legacy;
  std::mt19937 gen(7);
  std::uniform_int_distribution<size_t> blockSize(1, 5000);
  for (int run = 0; run < 2; ++run) {
    fast.Setup(c.inRate, c.outRate, c.channels, c.kernel, c.window);
    legacy.Setup(c.inRate, c.outRate, c.channels, c.kernel, c.window);
    std::vector<int16_t> got, want;
    for (size_t pos = 0; pos < frames;) {
      const size_t n = std::min(blockSize(gen), frames - pos);
      fast.Process(signal.data() + pos * c.channels, n, got);
      legacy.Process(signal.data() + pos * c.channels, n, want);
      pos += n;
    }
    ASSERT_EQ(got.size(), want.size());
    ASSERT_FALSE(want.empty());
    size_t differing = 0;
    for (size_t i = 0; i < want.size(); ++i) differing += got[i] != want[i];
    EXPECT_EQ(differing, 0u) << "run " << run;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rates, RateGolden,
    ::testing::Values(
        GoldenCase{22050, 44100, 2, 30, fwBlackman}, GoldenCase{22050, 44100, 1, 30, fwBlackman},
        GoldenCase{11025, 44100, 2, 30, fwBlackman}, GoldenCase{11025, 44100, 1, 30, fwHann},
        GoldenCase{22050, 44100, 2, 30, fwHamming}, GoldenCase{44100, 48000, 2, 30, fwBlackman},
        GoldenCase{22050, 48000, 2, 31, fwHann}, GoldenCase{8000, 44100, 1, 64, fwHamming},
        GoldenCase{32000, 44100, 2, 2, fwBlackman}, GoldenCase{44100, 44100, 2, 30, fwBlackman},
        GoldenCase{7, 13, 2, 5, fwHann}, GoldenCase{1000, 192000, 2, 17, fwBlackman},
        GoldenCase{44100, 22050, 2, 30, fwBlackman}, GoldenCase{44100, 22050, 1, 3, fwHamming},
        GoldenCase{48000, 44100, 2, 30, fwHann}, GoldenCase{44100, 11025, 2, 47, fwBlackman},
        GoldenCase{44100, 8000, 1, 30, fwHamming}, GoldenCase{13, 7, 2, 9, fwBlackman}));

}  // namespace
