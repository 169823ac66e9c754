#pragma once

// Filters that change the sample rate, the channel count, the sample depth
// and the stereo balance of a stream. Each is a TACSConverter: wire Input,
// then a sink's worker pulls GetData through it. Properties are set on the
// owning thread while the converter is idle (Balance also while running).

#include "acs/ACSClasses.h"
#include "acs/ACSProcs.h"
#include "acs/ConverterRateFilter.h"
#include "acs/ConverterSampleOps.h"

#include <atomic>
#include <vector>

// Reads the input one block at a time, converts each block whole and hands
// the result out in pieces. A block cut short by the end of the input is
// converted as far as it holds whole frames; the next read after it is
// drained returns 0.
class TACSBlockConverter : public TACSConverter {
 public:
  using TACSConverter::TACSConverter;

  // Worker thread; raises "The Stream is not opened" when not busy.
  int32_t GetData(uint8_t* buffer, int32_t bufferSize) override;
  // Flushes the input (when there still is one); not busy afterwards.
  void Flush() override;

 protected:
  // Checks and Inits the input, clears the buffers; Size is set by the
  // caller afterwards.
  void StartBlocks(int32_t inputBlockSize);
  // Converts `bytes` of input (a whole block, or less at the end) into
  // OutBuffer and returns the converted byte count.
  virtual size_t ConvertBlock(const uint8_t* in, size_t bytes) = 0;
  // The input, or "Input not assigned".
  TACSInput* RequireInput() const;
  // Sets Size from the input's Size scaled by the factor; an open-ended
  // input stays open-ended.
  void SizeFromInput(double factor);

  std::vector<uint8_t> InBuffer;
  std::vector<uint8_t> OutBuffer;

 private:
  void UpdatePosition(int32_t delivered);
  bool endOfInput_ = false;
};

class TRateConverter : public TACSBlockConverter {
 public:
  explicit TRateConverter(QObject* owner = nullptr);

  int GetBitsPerSample() override { return 16; }
  int GetChannels() override;
  int GetSampleRate() override { return FOutSampleRate; }
  // Needs 16-bit mono or stereo input.
  void Init() override;
  void Flush() override;

  TFilterWindowType FilterWindow() const { return FFilterWindow; }
  void SetFilterWindow(TFilterWindowType window) { FFilterWindow = window; }
  int32_t KernelWidth() const { return FKernelWidth; }
  // Values of 1 or less, and any value while busy, are ignored.
  void SetKernelWidth(int32_t width);
  int32_t OutSampleRate() const { return FOutSampleRate; }
  // Values of 0 or less, and any value while busy, are ignored.
  void SetOutSampleRate(int32_t rate);

 protected:
  size_t ConvertBlock(const uint8_t* in, size_t bytes) override;

 private:
  TFilterWindowType FFilterWindow = fwBlackman;
  int32_t FKernelWidth = 30;
  int32_t FOutSampleRate = 22050;
  int channels_ = 1;
  TRateFilter filter_;
  std::vector<int16_t> samples_;
};

// Stereo to mono, or mono to stereo by Mode; 16-bit input only.
class TMSConverter : public TACSBlockConverter {
 public:
  explicit TMSConverter(QObject* owner = nullptr);

  int GetBitsPerSample() override { return 16; }
  int GetChannels() override;
  int GetSampleRate() override;
  void Init() override;

  TMSConverterMode Mode() const { return FMode; }
  void SetMode(TMSConverterMode mode) { FMode = mode; }

 protected:
  size_t ConvertBlock(const uint8_t* in, size_t bytes) override;

 private:
  TMSConverterMode FMode = msmMonoToBoth;
  bool monoInput_ = false;
  std::vector<int16_t> samples_;
};

// 16-bit to 8-bit or 8-bit to 16-bit.
class TSampleConverter : public TACSBlockConverter {
 public:
  explicit TSampleConverter(QObject* owner = nullptr);

  int GetBitsPerSample() override;
  int GetChannels() override;
  int GetSampleRate() override;
  void Init() override;

 protected:
  size_t ConvertBlock(const uint8_t* in, size_t bytes) override;

 private:
  bool from16_ = true;
  std::vector<int16_t> samples_;
};

// Stereo balance; mono input leaves as stereo. Balance 0.5 leaves both
// channels as they are; toward 0 the right channel fades, toward 1 the left.
class TStereoBalance : public TACSConverter {
 public:
  explicit TStereoBalance(QObject* owner = nullptr);

  int GetBitsPerSample() override;
  int GetChannels() override;
  int GetSampleRate() override;
  int32_t GetData(uint8_t* buffer, int32_t bufferSize) override;
  void Init() override;
  void Flush() override;

  float Balance() const { return FBalance.load(); }
  // Values outside 0..1 are ignored. Any thread; applies from the next read.
  void SetBalance(float balance);

 private:
  TACSInput* RequireInput() const;
  std::atomic<float> FBalance{0.5f};
  bool monoInput_ = false;
  int bytesPerSample_ = 2;
  // Input bytes of a frame that has not fully arrived yet.
  std::vector<uint8_t> pending_;
  // Converted bytes not yet handed out.
  std::vector<uint8_t> out_;
  size_t outStart_ = 0;
  std::vector<uint8_t> read_;
};
