#include "acs/ACSProcs.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kTwoPi = 6.28318530718;
constexpr double kFourPi = 12.56637061436;

// The denominator of the window's phase; a one-point symmetric window would
// divide by zero, so it degenerates to the periodic form.
double WindowSpan(size_t n, bool symmetric) {
  if (symmetric && n > 1) return static_cast<double>(n - 1);
  return static_cast<double>(n);
}

}  // namespace

void HammingWindow(std::span<double> out, bool symmetric) {
  const double d = WindowSpan(out.size(), symmetric);
  for (size_t i = 0; i < out.size(); ++i) out[i] = 0.54 - 0.46 * std::cos(kTwoPi * i / d);
}

void HannWindow(std::span<double> out, bool symmetric) {
  const double d = WindowSpan(out.size(), symmetric);
  for (size_t i = 0; i < out.size(); ++i) out[i] = (1 - std::cos(kTwoPi * i / d)) / 2;
}

void BlackmanWindow(std::span<double> out, bool symmetric) {
  const double d = WindowSpan(out.size(), symmetric);
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = 0.42 - 0.5 * std::cos(kTwoPi * i / d) + 0.08 * std::cos(kFourPi * i / d);
}

void FillWindow(std::span<double> out, TFilterWindowType type, bool symmetric) {
  switch (type) {
    case fwHamming:
      HammingWindow(out, symmetric);
      break;
    case fwHann:
      HannWindow(out, symmetric);
      break;
    case fwBlackman:
      BlackmanWindow(out, symmetric);
      break;
  }
}

void CalculateSincKernel(std::span<double> out, double fc, TFilterWindowType type) {
  const int n = static_cast<int>(out.size());
  if (n == 0) return;
  const int m = n / 2;
  for (int i = 0; i < n; ++i) {
    if (i == m)
      out[i] = kTwoPi * fc;
    else
      out[i] = std::sin(kTwoPi * fc * (i - m)) / (i - m);
  }
  // The kernel builder uses the periodic window (divisor N).
  std::vector<double> window(out.size());
  FillWindow(window, type, false);
  double sum = 0;
  for (int i = 0; i < n; ++i) {
    out[i] *= window[i];
    sum += out[i];
  }
  if (sum != 0)
    for (double& tap : out) tap /= sum;
}

bool ComplexFFT(std::span<TComplex> data, int direction) {
  const size_t n = data.size();
  if (n == 0 || (n & (n - 1)) != 0) return false;
  int stages = 0;
  while ((size_t{1} << stages) < n) ++stages;

  // Bit-reversal permutation.
  for (size_t i = 0, j = 0; i + 1 < n; ++i) {
    if (i < j) std::swap(data[i], data[j]);
    size_t k = n >> 1;
    while (k <= j) {
      j -= k;
      k >>= 1;
    }
    j += k;
  }

  // Butterflies; the twiddle step of each stage is the half angle of the
  // previous one, so cos/sin come from the half-angle formulas.
  double c1 = -1.0;
  double c2 = 0.0;
  size_t l2 = 1;
  for (int stage = 0; stage < stages; ++stage) {
    const size_t l1 = l2;
    l2 <<= 1;
    double u1 = 1.0;
    double u2 = 0.0;
    for (size_t j = 0; j < l1; ++j) {
      for (size_t i = j; i < n; i += l2) {
        const size_t i1 = i + l1;
        const double t1 = u1 * data[i1].Re - u2 * data[i1].Im;
        const double t2 = u1 * data[i1].Im + u2 * data[i1].Re;
        data[i1].Re = data[i].Re - t1;
        data[i1].Im = data[i].Im - t2;
        data[i].Re += t1;
        data[i].Im += t2;
      }
      const double z = u1 * c1 - u2 * c2;
      u2 = u1 * c2 + u2 * c1;
      u1 = z;
    }
    c2 = std::sqrt((1.0 - c1) / 2.0);
    if (direction == 1) c2 = -c2;
    c1 = std::sqrt((1.0 + c1) / 2.0);
  }

  if (direction == 1) {
    for (TComplex& point : data) {
      point.Re /= static_cast<double>(n);
      point.Im /= static_cast<double>(n);
    }
  }
  return true;
}

void MultiplyArrays(std::span<double> d, std::span<const double> w) {
  const size_t n = std::min(d.size(), w.size());
  for (size_t i = 0; i < n; ++i) d[i] *= w[i];
}

void LgMagnitude(std::span<const TComplex> in, std::span<double> out, double offset) {
  const size_t n = std::min(in.size(), out.size());
  for (size_t i = 0; i < n; ++i) {
    const double r = std::sqrt(in[i].Re * in[i].Re + in[i].Im * in[i].Im);
    double v = 0;
    if (r != 0) {
      v = std::log10(r) + offset;
      if (v < 0) v = 0;
    }
    out[i] = v;
  }
}
