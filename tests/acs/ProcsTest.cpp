#include "acs/ACSProcs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

namespace {

std::vector<TComplex> RandomSignal(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  std::vector<TComplex> v(n);
  for (auto& p : v) p = {dist(gen), dist(gen)};
  return v;
}

// Textbook O(N^2) DFT, forward with 1/N scaling, as the reference.
std::vector<std::complex<double>> DirectDFT(const std::vector<TComplex>& x) {
  const size_t n = x.size();
  std::vector<std::complex<double>> out(n);
  for (size_t k = 0; k < n; ++k) {
    std::complex<double> sum = 0;
    for (size_t j = 0; j < n; ++j)
      sum += std::complex<double>(x[j].Re, x[j].Im) *
             std::polar(1.0, -2 * std::numbers::pi * double(k * j % n) / double(n));
    out[k] = sum / double(n);
  }
  return out;
}

// Gain of a FIR kernel at a frequency given as a fraction of the sample rate.
double KernelGain(const std::vector<double>& h, double f) {
  std::complex<double> sum = 0;
  for (size_t i = 0; i < h.size(); ++i)
    sum += h[i] * std::polar(1.0, -2 * std::numbers::pi * f * double(i));
  return std::abs(sum);
}

}  // namespace

TEST(ProcsWindows, EndPointsAndPeaks) {
  std::vector<double> w(9);
  HammingWindow(w, true);
  EXPECT_NEAR(w.front(), 0.08, 1e-9);
  EXPECT_NEAR(w.back(), 0.08, 1e-9);
  EXPECT_NEAR(w[4], 1.0, 1e-9);

  HannWindow(w, true);
  EXPECT_NEAR(w.front(), 0.0, 1e-12);
  EXPECT_NEAR(w.back(), 0.0, 1e-12);
  EXPECT_NEAR(w[4], 1.0, 1e-12);

  BlackmanWindow(w, true);
  EXPECT_NEAR(w.front(), 0.0, 1e-9);
  EXPECT_NEAR(w[4], 1.0, 1e-9);
  for (size_t i = 0; i < w.size(); ++i) EXPECT_NEAR(w[i], w[w.size() - 1 - i], 1e-9);
}

TEST(ProcsWindows, PeriodicFormDividesByN) {
  // Periodic: the point N/2 is the peak and the window never returns to its
  // first value at the last point.
  std::vector<double> w(8);
  HannWindow(w, false);
  EXPECT_NEAR(w[0], 0.0, 1e-12);
  EXPECT_NEAR(w[4], 1.0, 1e-12);
  EXPECT_NEAR(w[7], w[1], 1e-9);
  EXPECT_GT(w[7], 0.1);
}

TEST(ProcsWindows, DegenerateSizes) {
  std::vector<double> one(1, -5.0);
  HannWindow(one, true);
  EXPECT_TRUE(std::isfinite(one[0]));
  std::vector<double> none;
  BlackmanWindow(none, true);  // must not touch anything
  EXPECT_TRUE(none.empty());
}

TEST(ProcsKernel, ThirtyTapsNormalisedWithPeakInTheMiddle) {
  for (auto type : {fwHamming, fwHann, fwBlackman}) {
    std::vector<double> h(30);
    CalculateSincKernel(h, 0.2, type);
    double sum = 0;
    for (double t : h) sum += t;
    EXPECT_NEAR(sum, 1.0, 1e-12);
    // m = 30 div 2 = 15 holds the largest tap.
    for (int i = 0; i < 30; ++i)
      if (i != 15) {
        EXPECT_LT(h[i], h[15]) << i;
      }
    // Symmetric around m (the first tap has no partner).
    for (int k = 1; k < 15; ++k) EXPECT_NEAR(h[15 - k], h[15 + k], 1e-12);
  }
}

TEST(ProcsKernel, IsALowPass) {
  std::vector<double> h(101);
  CalculateSincKernel(h, 0.2, fwBlackman);
  EXPECT_NEAR(KernelGain(h, 0.0), 1.0, 1e-9);
  EXPECT_NEAR(KernelGain(h, 0.1), 1.0, 0.01);
  EXPECT_LT(KernelGain(h, 0.3), 0.01);
  EXPECT_LT(KernelGain(h, 0.45), 0.01);
}

TEST(ProcsFFT, ForwardMatchesDirectDFT) {
  for (size_t n : {1u, 2u, 4u, 8u, 64u, 512u}) {
    auto x = RandomSignal(n, static_cast<unsigned>(n));
    const auto expected = DirectDFT(x);
    ASSERT_TRUE(ComplexFFT(x, 1));
    for (size_t k = 0; k < n; ++k) {
      EXPECT_NEAR(x[k].Re, expected[k].real(), 1e-9) << "n=" << n << " k=" << k;
      EXPECT_NEAR(x[k].Im, expected[k].imag(), 1e-9) << "n=" << n << " k=" << k;
    }
  }
}

TEST(ProcsFFT, InverseIsUnscaledAndUndoesForward) {
  const auto original = RandomSignal(256, 7);
  auto x = original;
  ASSERT_TRUE(ComplexFFT(x, 1));
  ASSERT_TRUE(ComplexFFT(x, -1));
  for (size_t i = 0; i < x.size(); ++i) {
    EXPECT_NEAR(x[i].Re, original[i].Re, 1e-12);
    EXPECT_NEAR(x[i].Im, original[i].Im, 1e-12);
  }
  // An impulse transforms (inverse direction) to all ones: no 1/N scaling.
  std::vector<TComplex> impulse(16);
  impulse[0].Re = 1;
  ASSERT_TRUE(ComplexFFT(impulse, 0));
  for (const auto& p : impulse) {
    EXPECT_NEAR(p.Re, 1.0, 1e-12);
    EXPECT_NEAR(p.Im, 0.0, 1e-12);
  }
}

TEST(ProcsFFT, PureToneLandsInItsBin) {
  const size_t n = 128;
  std::vector<TComplex> x(n);
  for (size_t i = 0; i < n; ++i) x[i].Re = std::cos(2 * std::numbers::pi * 5 * double(i) / n);
  ASSERT_TRUE(ComplexFFT(x, 1));
  EXPECT_NEAR(x[5].Re, 0.5, 1e-9);
  EXPECT_NEAR(x[n - 5].Re, 0.5, 1e-9);
  EXPECT_NEAR(std::hypot(x[6].Re, x[6].Im), 0.0, 1e-9);
}

TEST(ProcsFFT, RefusesSizesThatAreNotPowersOfTwo) {
  for (size_t n : {0u, 3u, 6u, 100u}) {
    auto x = RandomSignal(n, 1);
    const auto before = x;
    EXPECT_FALSE(ComplexFFT(x, 1)) << n;
    for (size_t i = 0; i < n; ++i) EXPECT_EQ(x[i].Re, before[i].Re);
  }
}

TEST(ProcsArrays, MultiplyAndLogMagnitude) {
  std::vector<double> d{1, 2, 3, 4};
  const std::vector<double> w{0.5, 0.5, 2};
  MultiplyArrays(d, w);  // only the common length
  EXPECT_EQ(d, (std::vector<double>{0.5, 1, 6, 4}));

  const std::vector<TComplex> in{{0, 0}, {60, 80}, {0.001, 0}, {3, 4}};
  std::vector<double> out(4, -1);
  LgMagnitude(in, out, 1.0);
  EXPECT_EQ(out[0], 0.0);           // zero magnitude
  EXPECT_NEAR(out[1], 3.0, 1e-12);  // log10(100) + 1
  EXPECT_EQ(out[2], 0.0);           // -3 + 1 is negative
  EXPECT_NEAR(out[3], std::log10(5.0) + 1, 1e-12);
}
