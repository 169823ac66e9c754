#include "acs/ACSIndicator.h"

#include "acs/ACSProcs.h"

#include <QLoggingCategory>

#include <cstring>
#include <thread>

namespace {

Q_LOGGING_CATEGORY(lcIndicator, "trackwell.acs.indicator")

// Value of frame i of a run: the sample, or the mean of the two channels;
// 8-bit samples as the unsigned bytes they are.
double FrameValue(const uint8_t* data, int frame, int bitsPerSample, int channels) {
  if (bitsPerSample == 16) {
    int16_t s[2] = {0, 0};
    std::memcpy(s, data + static_cast<size_t>(frame) * 2 * channels, 2 * channels);
    return channels == 2 ? (double(s[0]) + double(s[1])) / 2 : double(s[0]);
  }
  const uint8_t* b = data + static_cast<size_t>(frame) * channels;
  return channels == 2 ? (double(b[0]) + double(b[1])) / 2 : double(b[0]);
}

}  // namespace

TSoundIndicator::TSoundIndicator(QObject* owner) : TACSConverter(owner) {
  HannWindow(window_, true);
}

TACSInput* TSoundIndicator::RequireInput() const {
  TACSInput* input = Input();
  if (!input) throw EACSException("Input is not assigned.");
  return input;
}

int TSoundIndicator::GetBitsPerSample() { return RequireInput()->BitsPerSample(); }

int TSoundIndicator::GetChannels() { return RequireInput()->Channels(); }

int TSoundIndicator::GetSampleRate() { return RequireInput()->SampleRate(); }

void TSoundIndicator::Init() {
  TACSInput* input = RequireInput();
  // Busy only once the input has really started, so a failed Init leaves
  // the meter idle.
  input->Init();
  bitsPerSample_ = input->BitsPerSample();
  channels_ = input->Channels();
  FBusy = true;
  FSize = input->Size();
  accumulator_.fill(0);
  levelLock_ = false;
  InputLock = false;
  FPosition = 0;
}

void TSoundIndicator::Flush() {
  if (TACSInput* input = Input()) input->Flush();
  FBusy = false;
  levelLock_ = false;
}

int32_t TSoundIndicator::GetData(uint8_t* buffer, int32_t bufferSize) {
  if (!FBusy) throw EACSException("The Stream is not opened");
  const int32_t count = ReadInput(buffer, bufferSize);
  if (TACSInput* input = Input()) FPosition = input->Position();
  if (count <= 0) return count;
  // The display is reading: skip this block rather than wait.
  if (levelLock_.exchange(true, std::memory_order_acquire)) return count;
  Analyse(buffer, count, bitsPerSample_, channels_);
  levelLock_.store(false, std::memory_order_release);
  return count;
}

void TSoundIndicator::Analyse(const uint8_t* data, int32_t count, int bitsPerSample, int channels) {
  const int frameBytes = bitsPerSample / 8 * channels;
  if (frameBytes <= 0 || (bitsPerSample != 8 && bitsPerSample != 16) || channels < 1 ||
      channels > 2)
    return;
  const int runs = count / frameBytes / kRunFrames;
  try {
    std::array<double, kRunFrames> values;
    std::array<TComplex, kRunFrames> spectrum;
    std::array<double, kBands> bands;
    for (int run = 0; run < runs; ++run) {
      const uint8_t* start = data + static_cast<size_t>(run) * kRunFrames * frameBytes;
      for (int i = 0; i < kRunFrames; ++i)
        values[i] = FrameValue(start, i, bitsPerSample, channels);
      MultiplyArrays(values, std::span<const double>(window_).first(kRunFrames));
      for (int i = 0; i < kRunFrames; ++i) spectrum[i] = {values[i], 0};
      ComplexFFT(spectrum, 1);
      // Only the first 32 bands are kept, so only they need a logarithm.
      LgMagnitude(std::span<const TComplex>(spectrum).first(kBands), bands, 0);
      for (int i = 0; i < kBands; ++i) accumulator_[i] += bands[i];
    }
  } catch (const std::exception& e) {
    qCWarning(lcIndicator) << "level analysis failed:" << e.what();
    accumulator_.fill(0);
  }
  if (runs > 0)
    for (double& band : accumulator_) band /= runs;
}

void TSoundIndicator::GetLevels(std::span<double, kBands> levels) {
  while (levelLock_.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
  for (int i = 0; i < kBands; ++i) levels[i] = 20 * accumulator_[i];
  accumulator_.fill(0);
  levelLock_.store(false, std::memory_order_release);
}
