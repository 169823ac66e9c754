#pragma once

#include <span>

// Numeric routines of the stream framework: the three analysis windows, the
// windowed-sinc low-pass kernel used by the rate converter, and the FFT,
// multiply and log-magnitude steps of the level indicator. All are pure
// functions on caller-owned arrays; any thread.

enum TFilterWindowType { fwHamming = 0, fwHann = 1, fwBlackman = 2 };

struct TComplex {
  double Re = 0;
  double Im = 0;
};

// Fills every point of out with the window. symmetric divides by N - 1
// instead of N (a one-point symmetric window is 1).
void HammingWindow(std::span<double> out, bool symmetric);
void HannWindow(std::span<double> out, bool symmetric);
void BlackmanWindow(std::span<double> out, bool symmetric);
void FillWindow(std::span<double> out, TFilterWindowType type, bool symmetric);

// Low-pass kernel of out.size() taps for the cut-off fc (a fraction of the
// sample rate), shaped by the window and normalised to unity gain at DC.
void CalculateSincKernel(std::span<double> out, double fc, TFilterWindowType type);

// In-place complex radix-2 FFT. direction 1 is the forward transform,
// scaled by 1/N; any other value is the unscaled inverse. Returns false and
// leaves data alone when its size is not a power of two.
bool ComplexFFT(std::span<TComplex> data, int direction);

// d[i] *= w[i] over the common length.
void MultiplyArrays(std::span<double> d, std::span<const double> w);

// out[i] = log10(|in[i]|) + offset, negative results and zero magnitudes
// giving 0; over the common length.
void LgMagnitude(std::span<const TComplex> in, std::span<double> out, double offset);
