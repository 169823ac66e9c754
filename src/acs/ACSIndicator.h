#pragma once

// Level meter: a filter that passes PCM through unchanged while folding a
// 32-band spectrum of it into an accumulator, which the display reads.
//
// GetData runs on the sink's worker; GetLevels on the owning (UI) thread.
// They share the accumulator under the one-byte level lock: the worker
// never waits for it (a block that finds it held is not analysed), the UI
// thread spins until it is free.

#include "acs/ACSClasses.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

class TSoundIndicator : public TACSConverter {
 public:
  static constexpr int kBands = 32;
  // Frames per analysed run, and the length of the precomputed window of
  // which the first kRunFrames points shape a run.
  static constexpr int kRunFrames = 64;
  static constexpr int kWindowPoints = 1024;

  explicit TSoundIndicator(QObject* owner = nullptr);

  // The input's format; "Input is not assigned." without input.
  int GetBitsPerSample() override;
  int GetChannels() override;
  int GetSampleRate() override;
  // The input's data, unchanged. Raises "The Stream is not opened" when not
  // busy. Worker thread.
  int32_t GetData(uint8_t* buffer, int32_t bufferSize) override;
  void Init() override;
  void Flush() override;

  // Writes 20 x each band of the accumulator (decibels, 0 or more) into
  // levels and zeroes the accumulator. UI thread.
  void GetLevels(std::span<double, kBands> levels);

 private:
  TACSInput* RequireInput() const;
  // Folds every complete run of 64 frames of the block into the
  // accumulator, then divides it by the number of runs. Level lock held.
  void Analyse(const uint8_t* data, int32_t count, int bitsPerSample, int channels);

  std::array<double, kWindowPoints> window_{};
  std::array<double, kBands> accumulator_{};
  std::atomic<bool> levelLock_{false};
  int bitsPerSample_ = 16;
  int channels_ = 2;
};
