#include "acs/ConverterRateFilter.h"

#include <algorithm>
#include <cmath>

int16_t SaturateSample(double value) {
  const double r = std::nearbyint(value);
  if (r >= 32767) return 32767;
  if (r <= -32768) return -32768;
  return static_cast<int16_t>(r);
}

int32_t RateConverterBlockSize(float ratio) {
  if (!(ratio > 1)) return 32768;
  int32_t size = static_cast<int32_t>(32768 / ratio);
  size -= size % 4;
  // An extreme ratio still needs one stereo frame per block to progress.
  return std::max(size, 4);
}

double RateConverterCutoff(float ratio) {
  if (ratio > 1) return 0.4 / ratio;
  return 0.4 * ratio;
}

void TRateFilter::Setup(int32_t inRate, int32_t outRate, int channels, int kernelWidth,
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
  // A new run starts from silence, not from the previous run's last sample.
  lastSample_.assign(channels_, 0);
}

size_t TRateFilter::MaxOutputFrames(size_t frames) const {
  const int64_t in = inRate_, out = outRate_;
  return static_cast<size_t>(static_cast<int64_t>(frames) * out / in + 2);
}

void TRateFilter::Process(const int16_t* in, size_t frames, std::vector<int16_t>& out) {
  if (frames == 0 || kernel_.empty()) return;
  if (Upsampling())
    Upsample(in, frames, out);
  else
    Downsample(in, frames, out);
}

void TRateFilter::Downsample(const int16_t* in, size_t frames, std::vector<int16_t>& out) {
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
    // y = sum over k of h[N-1-k] * x[j-k], with x[j-k] at w[history + j - k].
    for (int c = 0; c < channels_; ++c) {
      const int32_t* x = window_[c].data() + j;
      double sum = 0;
      for (size_t i = 0; i < n; ++i) sum += kernel_[i] * x[i];
      out.push_back(SaturateSample(sum));
    }
    phase_ += inRate_ - outRate_;
  }
  for (auto& w : window_) w.erase(w.begin(), w.end() - static_cast<std::ptrdiff_t>(history));
}

void TRateFilter::Upsample(const int16_t* in, size_t frames, std::vector<int16_t>& out) {
  const size_t n = kernel_.size();
  const size_t tail = n - 1;
  const size_t capacity = MaxOutputFrames(frames) + tail;
  for (auto& a : accumulator_) {
    // The carried tail sits at the front; everything after it starts at 0.
    a.resize(tail);
    a.resize(capacity, 0.0);
  }
  if (phase_ < 0) phase_ = 0;
  const int64_t inRate = inRate_, outRate = outRate_;
  size_t f = 0;
  int64_t t = phase_;
  for (size_t j = 0; j < frames; ++j) {
    // The pair (previous sample, this sample); the previous one of the first
    // frame is the last frame of the block before.
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
      out[base + k * channels_ + c] = SaturateSample(accumulator_[c][k]);
  for (auto& a : accumulator_) {
    std::copy(a.begin() + static_cast<std::ptrdiff_t>(f),
              a.begin() + static_cast<std::ptrdiff_t>(f + tail), a.begin());
    a.resize(tail);
  }
}
