#include "acs/ACSConverters.h"

#include <cstring>

TMSConverter::TMSConverter(QObject* owner) : TACSBlockConverter(owner) {}

int TMSConverter::GetChannels() { return RequireInput()->Channels() == 1 ? 2 : 1; }

int TMSConverter::GetSampleRate() { return RequireInput()->SampleRate(); }

void TMSConverter::Init() {
  TACSInput* input = RequireInput();
  if (input->BitsPerSample() != 16) throw EACSException("Only 16-bit input can be remixed");
  const int channels = input->Channels();
  if (channels != 1 && channels != 2)
    throw EACSException("Only mono or stereo input can be remixed");
  monoInput_ = channels == 1;
  StartBlocks(monoInput_ ? 16384 : 32768);
  SizeFromInput(monoInput_ ? 2.0 : 0.5);
}

size_t TMSConverter::ConvertBlock(const uint8_t* in, size_t bytes) {
  // Whole input frames only: 2 bytes mono, 4 bytes stereo.
  const size_t frames = bytes / (monoInput_ ? 2 : 4);
  if (frames == 0) return 0;
  samples_.resize(frames * (monoInput_ ? 1 : 2));
  std::memcpy(samples_.data(), in, samples_.size() * 2);
  const size_t outSamples = monoInput_ ? frames * 2 : frames;
  OutBuffer.resize(outSamples * 2);
  std::vector<int16_t> out(outSamples);
  if (monoInput_)
    MonoToStereo16(samples_.data(), frames, out.data(), FMode);
  else
    StereoToMono16(samples_.data(), frames, out.data());
  std::memcpy(OutBuffer.data(), out.data(), outSamples * 2);
  return outSamples * 2;
}
