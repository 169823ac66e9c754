#pragma once

#include "acs/ACSProcs.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The sample-rate conversion of TRateConverter, free of the stream
// framework: 16-bit interleaved frames in, 16-bit frames out, block by
// block with the filter state carried between blocks.
//
// Downsampling keeps every input position the phase counter selects and
// filters it with the windowed-sinc kernel over the last N inputs.
// Upsampling interpolates linearly to the output rate and low-passes the
// result by overlap-add, carrying the N - 1 pending sums to the next block.
// The filter delay is not compensated; the pending sums at the very end of
// a stream are dropped, so the output length is ratio x the input length.
class TRateFilter {
 public:
  // Builds the kernel and clears all state. Rates must be positive,
  // channels 1 or 2, kernelWidth at least 2.
  void Setup(int32_t inRate, int32_t outRate, int channels, int kernelWidth,
             TFilterWindowType window);

  // Converts `frames` whole frames of `in` and appends the result to `out`.
  void Process(const int16_t* in, size_t frames, std::vector<int16_t>& out);
  // The same into out, which holds `capacity` samples (MaxOutputFrames x
  // channels is always enough); returns the samples written.
  size_t Process(const int16_t* in, size_t frames, int16_t* out, size_t capacity);

  bool Upsampling() const { return outRate_ >= inRate_; }
  std::span<const double> Kernel() const { return kernel_; }

  // Most output frames a block of `frames` input frames can produce.
  size_t MaxOutputFrames(size_t frames) const;

 private:
  size_t Downsample(const int16_t* in, size_t frames, int16_t* out, size_t capacity);
  size_t Upsample(const int16_t* in, size_t frames, int16_t* out, size_t capacity);

  int32_t inRate_ = 0;
  int32_t outRate_ = 0;
  // The rates divided by their greatest common divisor: the phase counter
  // only ever holds multiples of it, so it counts in these steps.
  int64_t inStep_ = 1;
  int64_t outStep_ = 1;
  double outStepReciprocal_ = 1;
  int channels_ = 1;
  std::vector<double> kernel_;
  // The kernel in the order the sums run over the signal: as it is for
  // downsampling, reversed for the overlap-add of upsampling.
  std::vector<double> taps_;
  int64_t phase_ = -1;
  // Interleaved frames as doubles: the last N - 1 of the previous block
  // (zeros at the start), then this block's. Downsampling keeps the input
  // there, upsampling the interpolated points; each output is the sum of
  // taps_ times N consecutive frames, added in tap order.
  std::vector<double> signal_;
  // Downsampling: the frames of the block the phase counter selects.
  std::vector<uint32_t> selected_;
  // Upsampling: the previous block's last frame.
  std::vector<int32_t> lastSample_;
};

// Input block size in bytes for the ratio OutSampleRate / input rate: 32768,
// or less when upsampling so one block's output fits the output buffer.
int32_t RateConverterBlockSize(float ratio);

// Low-pass cut-off (fraction of the kernel's rate): 0.4 of the lower rate.
double RateConverterCutoff(float ratio);

// Rounds a filter sum to a 16-bit sample, saturating instead of wrapping.
int16_t SaturateSample(double value);
