#include "acs/ACSConverters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

TStereoBalance::TStereoBalance(QObject* owner) : TACSConverter(owner) {}

TACSInput* TStereoBalance::RequireInput() const {
  TACSInput* input = Input();
  if (!input) throw EACSException("Input not assigned");
  return input;
}

int TStereoBalance::GetBitsPerSample() { return RequireInput()->BitsPerSample(); }

int TStereoBalance::GetChannels() {
  RequireInput();
  return 2;
}

int TStereoBalance::GetSampleRate() { return RequireInput()->SampleRate(); }

void TStereoBalance::SetBalance(float balance) {
  if (balance >= 0.0f && balance <= 1.0f) FBalance = balance;
}

void TStereoBalance::Init() {
  TACSInput* input = RequireInput();
  const int bits = input->BitsPerSample();
  if (bits != 8 && bits != 16) throw EACSException("Only 8-bit or 16-bit input can be balanced");
  const int channels = input->Channels();
  if (channels != 1 && channels != 2)
    throw EACSException("Only mono or stereo input can be balanced");
  bytesPerSample_ = bits / 8;
  monoInput_ = channels == 1;
  input->Init();
  InputLock = false;
  pending_.clear();
  out_.clear();
  outStart_ = 0;
  FBusy = true;
  FPosition = 0;
  const int32_t inputSize = input->Size();
  FSize = inputSize < 0 ? -1 : (monoInput_ ? inputSize * 2 : inputSize);
}

void TStereoBalance::Flush() {
  if (TACSInput* input = Input()) input->Flush();
  pending_.clear();
  out_.clear();
  outStart_ = 0;
  FBusy = false;
}

int32_t TStereoBalance::GetData(uint8_t* buffer, int32_t bufferSize) {
  if (!FBusy) throw EACSException("The Stream is not opened");
  if (bufferSize <= 0) return 0;
  const size_t inFrame = static_cast<size_t>(bytesPerSample_) * (monoInput_ ? 1 : 2);
  while (outStart_ >= out_.size()) {
    out_.clear();
    outStart_ = 0;
    size_t ask = static_cast<size_t>(monoInput_ ? bufferSize / 2 : bufferSize);
    ask = std::clamp(ask, inFrame, size_t{65536});
    const size_t carried = pending_.size();
    read_.resize(carried + ask);
    std::copy(pending_.begin(), pending_.end(), read_.begin());
    const int32_t got = ReadInput(read_.data() + carried, static_cast<int32_t>(ask));
    if (got <= 0) {
      pending_.clear();
      return 0;
    }
    // Only whole frames are scaled; the rest of a frame waits for its bytes
    // so the channels never slip.
    const size_t total = carried + static_cast<size_t>(got);
    const size_t whole = total - total % inFrame;
    pending_.assign(read_.begin() + static_cast<std::ptrdiff_t>(whole),
                    read_.begin() + static_cast<std::ptrdiff_t>(total));
    const size_t frames = whole / inFrame;
    if (frames == 0) continue;  // only part of a frame so far
    out_.resize(frames * 2 * bytesPerSample_);
    if (monoInput_) {
      for (size_t i = 0; i < frames; ++i)
        for (int copy = 0; copy < 2; ++copy)
          std::memcpy(out_.data() + (2 * i + copy) * bytesPerSample_,
                      read_.data() + i * bytesPerSample_, bytesPerSample_);
    } else {
      std::memcpy(out_.data(), read_.data(), whole);
    }
    const TBalanceGains gains = BalanceGains(FBalance.load());
    if (bytesPerSample_ == 2) {
      std::vector<int16_t> samples(frames * 2);
      std::memcpy(samples.data(), out_.data(), out_.size());
      ApplyBalance16(samples.data(), frames, gains);
      std::memcpy(out_.data(), samples.data(), out_.size());
    } else {
      ApplyBalance8(out_.data(), frames, gains);
    }
  }
  const size_t count = std::min(static_cast<size_t>(bufferSize), out_.size() - outStart_);
  std::memcpy(buffer, out_.data() + outStart_, count);
  outStart_ += count;

  TACSInput* input = Input();
  const int32_t inputSize = input ? input->Size() : 0;
  if (inputSize > 0 && FSize >= 0)
    FPosition = static_cast<int32_t>(std::nearbyint(double(FSize.load()) / inputSize) *
                                     double(input->Position()));
  else
    FPosition += static_cast<int32_t>(count);
  return static_cast<int32_t>(count);
}
