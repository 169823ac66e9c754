#include "acs/ACSConverters.h"

#include <cstring>

TRateConverter::TRateConverter(QObject* owner) : TACSBlockConverter(owner) {}

int TRateConverter::GetChannels() { return RequireInput()->Channels(); }

void TRateConverter::SetKernelWidth(int32_t width) {
  if (width > 1 && !FBusy) FKernelWidth = width;
}

void TRateConverter::SetOutSampleRate(int32_t rate) {
  if (rate > 0 && !FBusy) FOutSampleRate = rate;
}

void TRateConverter::Init() {
  TACSInput* input = RequireInput();
  // The filter works on 16-bit samples; 8-bit data goes through a
  // TSampleConverter first.
  if (input->BitsPerSample() != 16) throw EACSException("Only 16-bit input can be resampled");
  channels_ = input->Channels();
  if (channels_ != 1 && channels_ != 2)
    throw EACSException("Only mono or stereo input can be resampled");
  const int32_t inRate = input->SampleRate();
  if (inRate <= 0) throw EACSException("The input sample rate is not valid");

  const float ratio = static_cast<float>(FOutSampleRate) / static_cast<float>(inRate);
  StartBlocks(RateConverterBlockSize(ratio));
  SizeFromInput(ratio);
  filter_.Setup(inRate, FOutSampleRate, channels_, FKernelWidth, FFilterWindow);
}

void TRateConverter::Flush() {
  samples_ = {};
  InBuffer = {};
  OutBuffer = {};
  TACSBlockConverter::Flush();
}

size_t TRateConverter::ConvertBlock(const uint8_t* in, size_t bytes) {
  const size_t frameBytes = 2 * static_cast<size_t>(channels_);
  const size_t frames = bytes / frameBytes;
  if (frames == 0) return 0;
  samples_.resize(frames * channels_);
  std::memcpy(samples_.data(), in, frames * frameBytes);
  // Straight into the output buffer: no copy, and no zero fill once it has
  // grown to the largest block.
  const size_t most = filter_.MaxOutputFrames(frames) * channels_;
  if (OutBuffer.size() < most * 2) OutBuffer.resize(most * 2);
  return 2 * filter_.Process(samples_.data(), frames, reinterpret_cast<int16_t*>(OutBuffer.data()),
                             most);
}
