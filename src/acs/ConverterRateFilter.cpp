#include "acs/ConverterRateFilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <type_traits>

// The sums below must be added in exactly the order of the plain formula
// (tap by tap, from 0), so the work is spread over independent outputs
// (vectorised across neighbouring sample slots) and never reassociated.
// The file is compiled without floating-point contraction.

namespace {

// Round to nearest, halves to even, as nearbyint does in the default mode,
// for |x| < 2^51; no library call, so loops of it vectorise.
inline double RoundEven(double x) {
  constexpr double kMagic = 6755399441055744.0;  // 1.5 x 2^52
  return (x + kMagic) - kMagic;
}

// SaturateSample without the library call: clamping first keeps the
// rounding trick in range and saturates the same values.
inline int16_t RoundToSample(double value) {
  const double r = RoundEven(std::clamp(value, -40000.0, 40000.0));
  return static_cast<int16_t>(std::clamp(r, -32768.0, 32767.0));
}

// Four and eight doubles; on a target without registers that wide the
// compiler splits each operation, with the same results.
typedef double V4 __attribute__((vector_size(32)));
typedef double V8 __attribute__((vector_size(64)));
typedef int32_t I4 __attribute__((vector_size(16)));
typedef int32_t I8 __attribute__((vector_size(32)));

// RoundToSample on every lane, in place, without branches.
template <typename V>
[[gnu::always_inline]] inline void RoundToSamples(V& v) {
  const V wide = V{} + 40000.0, top = V{} + 32767.0, bottom = V{} - 32768.0;
  v = v < -wide ? -wide : v;
  v = wide < v ? wide : v;
  v = (v + 6755399441055744.0) - 6755399441055744.0;  // RoundEven
  v = v < bottom ? bottom : v;
  v = top < v ? top : v;
}

// out[m] = sum over j of taps[j] * x[m + j * C], m = 0..count-1, each sum
// taken in tap order. kVectors vectors of outputs at a time keep the adders
// busy; every output is one lane, so the width changes no result.
template <int C, typename V, size_t kVectors>
[[gnu::always_inline]] inline void FilterRunBody(const double* taps, size_t n, const double* x,
                                                 size_t count, int16_t* out) {
  constexpr size_t kWidth = sizeof(V) / sizeof(double);
  constexpr size_t kLanes = kVectors * kWidth;
  size_t m = 0;
  for (; m + kLanes <= count; m += kLanes) {
    V a[kVectors] = {};
    const double* p = x + m;
    for (size_t j = 0; j < n; ++j, p += C) {
      const V h = V{} + taps[j];
      for (size_t k = 0; k < kVectors; ++k) {
        V xk;
        std::memcpy(&xk, p + k * kWidth, sizeof xk);
        a[k] += h * xk;
      }
    }
    // The rounded sums are whole and within 16 bits: converting them is
    // exact.
    using I = std::conditional_t<sizeof(V) == sizeof(V8), I8, I4>;
    for (size_t k = 0; k < kVectors; ++k) {
      RoundToSamples(a[k]);
      const I r = __builtin_convertvector(a[k], I);
      for (size_t u = 0; u < kWidth; ++u) out[m + k * kWidth + u] = static_cast<int16_t>(r[u]);
    }
  }
  for (; m < count; ++m) {
    double acc = 0;
    const double* p = x + m;
    for (size_t j = 0; j < n; ++j, p += C) acc += taps[j] * p[0];
    out[m] = RoundToSample(acc);
  }
}

// The same loop for processors with 512-bit or 256-bit registers. The file
// is compiled without contraction, so the fused multiply-add these targets
// have is never used: each product is rounded before it is added, as above.
template <int C>
[[gnu::target("avx512f")]] void FilterRunWidest(const double* taps, size_t n, const double* x,
                                                size_t count, int16_t* out) {
  FilterRunBody<C, V8, 8>(taps, n, x, count, out);
}

template <int C>
[[gnu::target("avx")]] void FilterRunWide(const double* taps, size_t n, const double* x,
                                          size_t count, int16_t* out) {
  FilterRunBody<C, V4, 4>(taps, n, x, count, out);
}

template <int C>
void FilterRunBase(const double* taps, size_t n, const double* x, size_t count, int16_t* out) {
  FilterRunBody<C, V4, 4>(taps, n, x, count, out);
}

enum class TVectorUnit { Base, Avx, Avx512 };

TVectorUnit VectorUnit() {
  static const TVectorUnit unit = [] {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return TVectorUnit::Avx512;
    if (__builtin_cpu_supports("avx")) return TVectorUnit::Avx;
    return TVectorUnit::Base;
  }();
  return unit;
}

template <int C>
void FilterRun(const double* taps, size_t n, const double* x, size_t count, int16_t* out) {
  switch (VectorUnit()) {
    case TVectorUnit::Avx512:
      return FilterRunWidest<C>(taps, n, x, count, out);
    case TVectorUnit::Avx:
      return FilterRunWide<C>(taps, n, x, count, out);
    case TVectorUnit::Base:
      return FilterRunBase<C>(taps, n, x, count, out);
  }
}

// One output frame per selected start frame s: out[k * C + c] = sum over j
// of taps[j] * x[(s + j) * C + c]. Four frames at a time for the same
// reason as above.
template <int C>
void FilterSelected(const double* taps, size_t n, const double* x, const uint32_t* starts,
                    size_t count, int16_t* out) {
  constexpr size_t kFrames = 4;
  size_t k = 0;
  for (; k + kFrames <= count; k += kFrames) {
    double acc[kFrames][C] = {};
    const double* p[kFrames];
    for (size_t u = 0; u < kFrames; ++u) p[u] = x + size_t{starts[k + u]} * C;
    for (size_t j = 0; j < n; ++j) {
      const double h = taps[j];
      for (size_t u = 0; u < kFrames; ++u)
        for (int c = 0; c < C; ++c) acc[u][c] += h * p[u][j * C + c];
    }
    for (size_t u = 0; u < kFrames; ++u)
      for (int c = 0; c < C; ++c) out[(k + u) * C + c] = RoundToSample(acc[u][c]);
  }
  for (; k < count; ++k) {
    double acc[C] = {};
    const double* p = x + size_t{starts[k]} * C;
    for (size_t j = 0; j < n; ++j)
      for (int c = 0; c < C; ++c) acc[c] += taps[j] * p[j * C + c];
    for (int c = 0; c < C; ++c) out[k * C + c] = RoundToSample(acc[c]);
  }
}

// The interpolated point between p and q at phase t of `out`:
// ((out - t) p + t q) / out to the nearest integer, halves to even. All
// terms are integers below 2^53, so the numerator is exact in double; its
// product with 1 / out can only fall on the wrong side of a half when the
// quotient is exactly a half, which needs an even `out` that is not a power
// of two (then the reciprocal is inexact) - kTies adds the correction.
template <bool kTies>
inline double InterpolatedPoint(double num, double rcp, double out) {
  double m = RoundEven(num * rcp);
  if constexpr (kTies) {
    const double twiceRest = 2 * (num - m * out);
    const bool odd = (static_cast<int64_t>(m) & 1) != 0;
    if (odd && twiceRest == out) m += 1;
    if (odd && twiceRest == -out) m -= 1;
  }
  return m;
}

// Linear interpolation of one block to the output rate: for each pair of
// neighbouring frames (the first pair starts from `last`), one point per
// phase step below `outStep`. Returns the number of frames written to v.
template <int C, bool kTies>
size_t InterpolateBlock(const int16_t* in, size_t frames, const int32_t* last, int64_t& phase,
                        int64_t inStep, int64_t outStep, double rcp, double* v) {
  const double out = static_cast<double>(outStep);
  double prev[C];
  for (int c = 0; c < C; ++c) prev[c] = last[c];
  int64_t t = phase;
  size_t f = 0;
  for (size_t j = 0; j < frames; ++j) {
    double cur[C];
    for (int c = 0; c < C; ++c) cur[c] = in[j * C + c];
    for (; t < outStep; t += inStep, ++f) {
      const double a = static_cast<double>(outStep - t), b = static_cast<double>(t);
      for (int c = 0; c < C; ++c)
        v[f * C + c] = InterpolatedPoint<kTies>(a * prev[c] + b * cur[c], rcp, out);
    }
    t -= outStep;
    for (int c = 0; c < C; ++c) prev[c] = cur[c];
  }
  phase = t;
  return f;
}

// InterpolateBlock for a whole-number ratio L = outStep (inStep 1, so the
// phase is 0 at every frame): the L points of a frame have fixed weights,
// known here at compile time, so a frame's L x C points are computed side
// by side. Same operations in the same order, so the same points. L is a
// power of two, so the reciprocal is exact and there are no ties to mend.
template <int C, int L>
size_t InterpolateWhole(const int16_t* in, size_t frames, const int32_t* last, double rcp,
                        double* v) {
  double a[L * C], b[L * C];
  for (int t = 0; t < L; ++t)
    for (int c = 0; c < C; ++c) {
      a[t * C + c] = static_cast<double>(L - t);
      b[t * C + c] = static_cast<double>(t);
    }
  double prev[L * C], cur[L * C];
  for (int t = 0; t < L; ++t)
    for (int c = 0; c < C; ++c) prev[t * C + c] = last[c];
  for (size_t j = 0; j < frames; ++j, v += L * C) {
    for (int t = 0; t < L; ++t)
      for (int c = 0; c < C; ++c) cur[t * C + c] = in[j * C + c];
    for (int k = 0; k < L * C; ++k) v[k] = RoundEven((a[k] * prev[k] + b[k] * cur[k]) * rcp);
    for (int k = 0; k < L * C; ++k) prev[k] = cur[k];
  }
  return frames * L;
}

}  // namespace

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
  const int64_t common = std::gcd(int64_t{inRate_}, int64_t{outRate_});
  inStep_ = inRate_ / common;
  outStep_ = outRate_ / common;
  outStepReciprocal_ = 1.0 / static_cast<double>(outStep_);
  channels_ = std::clamp(channels, 1, 2);
  const float ratio = static_cast<float>(outRate_) / static_cast<float>(inRate_);
  kernel_.assign(static_cast<size_t>(std::max(kernelWidth, 2)), 0.0);
  CalculateSincKernel(kernel_, RateConverterCutoff(ratio), window);
  taps_ = kernel_;
  if (Upsampling()) std::reverse(taps_.begin(), taps_.end());
  phase_ = -1;
  // A new run starts from silence, not from the previous run's last sample.
  signal_.assign((kernel_.size() - 1) * channels_, 0.0);
  selected_.clear();
  lastSample_.assign(channels_, 0);
}

size_t TRateFilter::MaxOutputFrames(size_t frames) const {
  const int64_t in = inRate_, out = outRate_;
  return static_cast<size_t>(static_cast<int64_t>(frames) * out / in + 2);
}

void TRateFilter::Process(const int16_t* in, size_t frames, std::vector<int16_t>& out) {
  const size_t base = out.size();
  const size_t most = MaxOutputFrames(frames) * static_cast<size_t>(channels_);
  out.resize(base + most);
  out.resize(base + Process(in, frames, out.data() + base, most));
}

size_t TRateFilter::Process(const int16_t* in, size_t frames, int16_t* out, size_t capacity) {
  if (frames == 0 || kernel_.empty()) return 0;
  return Upsampling() ? Upsample(in, frames, out, capacity) : Downsample(in, frames, out, capacity);
}

size_t TRateFilter::Downsample(const int16_t* in, size_t frames, int16_t* out, size_t capacity) {
  const size_t n = kernel_.size();
  const size_t c = static_cast<size_t>(channels_);
  const size_t history = (n - 1) * c;
  if (signal_.size() < history + frames * c) signal_.resize(history + frames * c);
  double* x = signal_.data() + history;
  for (size_t i = 0; i < frames * c; ++i) x[i] = in[i];

  if (phase_ < 0) phase_ = outStep_;
  selected_.clear();
  for (size_t j = 0; j < frames; ++j) {
    if (outStep_ < phase_) {
      phase_ -= outStep_;
      continue;
    }
    selected_.push_back(static_cast<uint32_t>(j));
    phase_ += inStep_ - outStep_;
  }
  // MaxOutputFrames bounds the selection; the cut only keeps that a promise.
  const size_t count = std::min(selected_.size(), capacity / c);
  if (c == 2)
    FilterSelected<2>(taps_.data(), n, signal_.data(), selected_.data(), count, out);
  else
    FilterSelected<1>(taps_.data(), n, signal_.data(), selected_.data(), count, out);
  std::memmove(signal_.data(), signal_.data() + frames * c, history * sizeof(double));
  return count * c;
}

size_t TRateFilter::Upsample(const int16_t* in, size_t frames, int16_t* out, size_t capacity) {
  const size_t n = kernel_.size();
  const size_t c = static_cast<size_t>(channels_);
  const size_t history = (n - 1) * c;
  const size_t most = history + MaxOutputFrames(frames) * c;
  if (signal_.size() < most) signal_.resize(most);
  double* v = signal_.data() + history;

  if (phase_ < 0) phase_ = 0;
  const bool ties = outStep_ % 2 == 0 && (outStep_ & (outStep_ - 1)) != 0;
  const double rcp = outStepReciprocal_;
  const int32_t* last = lastSample_.data();
  size_t f;
  if (inStep_ == 1 && (outStep_ == 2 || outStep_ == 4)) {
    // The usual doublings and quadruplings (22050 or 11025 to 44100).
    if (c == 2)
      f = outStep_ == 2 ? InterpolateWhole<2, 2>(in, frames, last, rcp, v)
                        : InterpolateWhole<2, 4>(in, frames, last, rcp, v);
    else
      f = outStep_ == 2 ? InterpolateWhole<1, 2>(in, frames, last, rcp, v)
                        : InterpolateWhole<1, 4>(in, frames, last, rcp, v);
  } else if (c == 2)
    f = ties ? InterpolateBlock<2, true>(in, frames, last, phase_, inStep_, outStep_, rcp, v)
             : InterpolateBlock<2, false>(in, frames, last, phase_, inStep_, outStep_, rcp, v);
  else
    f = ties ? InterpolateBlock<1, true>(in, frames, last, phase_, inStep_, outStep_, rcp, v)
             : InterpolateBlock<1, false>(in, frames, last, phase_, inStep_, outStep_, rcp, v);
  for (size_t k = 0; k < c; ++k) lastSample_[k] = in[(frames - 1) * c + k];

  // The interpolation gives at most MaxOutputFrames; the cut only keeps
  // that a promise.
  const size_t count = std::min(f * c, capacity - capacity % c);
  if (c == 2)
    FilterRun<2>(taps_.data(), n, signal_.data(), count, out);
  else
    FilterRun<1>(taps_.data(), n, signal_.data(), count, out);
  std::memmove(signal_.data(), signal_.data() + f * c, history * sizeof(double));
  return count;
}
