#include "acs/ACSConverters.h"

#include <cstring>

TSampleConverter::TSampleConverter(QObject* owner) : TACSBlockConverter(owner) {}

int TSampleConverter::GetBitsPerSample() { return RequireInput()->BitsPerSample() == 16 ? 8 : 16; }

int TSampleConverter::GetChannels() { return RequireInput()->Channels(); }

int TSampleConverter::GetSampleRate() { return RequireInput()->SampleRate(); }

void TSampleConverter::Init() {
  TACSInput* input = RequireInput();
  const int bits = input->BitsPerSample();
  if (bits != 8 && bits != 16) throw EACSException("Only 8-bit or 16-bit input can be converted");
  from16_ = bits == 16;
  StartBlocks(from16_ ? 32768 : 16384);
  SizeFromInput(from16_ ? 0.5 : 2.0);
}

size_t TSampleConverter::ConvertBlock(const uint8_t* in, size_t bytes) {
  if (from16_) {
    const size_t samples = bytes / 2;
    if (samples == 0) return 0;
    samples_.resize(samples);
    std::memcpy(samples_.data(), in, samples * 2);
    OutBuffer.resize(samples);
    Convert16To8(samples_.data(), samples, OutBuffer.data());
    return samples;
  }
  if (bytes == 0) return 0;
  samples_.resize(bytes);
  Convert8To16(in, bytes, samples_.data());
  OutBuffer.resize(bytes * 2);
  std::memcpy(OutBuffer.data(), samples_.data(), bytes * 2);
  return bytes * 2;
}
