#pragma once

// WAV file reading (PCM, IMA ADPCM, Microsoft ADPCM, MPEG Layer 3 through
// TWaveConverter) and writing (PCM, IMA ADPCM; new or appended).

#include "acs/ACSClasses.h"
#include "acs/ImaAdpcm.h"
#include "acs/WaveHeader.h"

#include <QBuffer>
#include <QFileDevice>

#include <memory>
#include <vector>

// Reads a RIFF WAVE file and delivers 8- or 16-bit PCM (16-bit for every
// compressed type). GetData runs on the sink's worker; WavType, Valid and
// the format getters may be asked from the owning thread at any time.
class TWaveIn : public TACSFileIn {
 public:
  explicit TWaveIn(QObject* owner = nullptr);
  ~TWaveIn() override;

  // Type of the file; opens and closes it.
  TWavType WavType();

  int32_t GetData(uint8_t* buffer, int32_t bufferSize) override;
  void OpenFile() override;
  void CloseFile() override;
  bool Seek(int32_t sampleNum) override;

  static constexpr int kBufferSize = 16384;

 private:
  void ParseAndCheck();
  void OpenConverted();
  int32_t RefillPcm();
  int32_t RefillAdpcm();
  void ApplyPcmJump();
  void ApplyAdpcmJump();

  TWavType type_ = wtUnsupported;
  TWaveHeader header_;
  std::unique_ptr<QIODevice> ownedStream_;
  // For wtACM: the converted PCM WAV read in place of the file, which is
  // kept aside meanwhile.
  std::unique_ptr<QBuffer> memoryStream_;
  QIODevice* setAside_ = nullptr;
  int32_t blockFrames_ = 0;
  std::vector<uint8_t> buffer_;
  std::vector<uint8_t> block_;
  std::vector<int16_t> samples_;
  // Where GetData copies from: buffer_, or (decoded ADPCM on a
  // little-endian machine) the samples themselves, without a copy between.
  const uint8_t* out_ = nullptr;
};

// Writes the PCM of its input into a WAV file as PCM or IMA ADPCM, as a
// new file (written under a temporary name and put in place when done) or
// appended to an existing WAV file of the same format.
class TWaveOut : public TACSFileOut {
 public:
  explicit TWaveOut(QObject* owner = nullptr);
  ~TWaveOut() override;

  TWavType WavType() const { return wavType_; }
  // Accepts wtPCM and wtDVIADPCM while idle; anything else is ignored.
  void SetWavType(TWavType type);
  uint16_t BlockSize() const { return blockSize_; }
  // Accepts a non-zero multiple of 4 while idle.
  void SetBlockSize(uint16_t size);
  void SetFileMode(TFileOutputMode mode) override;

  static constexpr int kBufferSize = 16384;

 protected:
  void Prepare() override;
  bool DoOutput(bool abort) override;
  void Done() override;

 private:
  [[noreturn]] void FailPrepare(const QString& message);
  bool WritePcmStep();
  bool WriteImaStep();
  bool WriteAll(const uint8_t* data, int64_t size);
  void PatchHeader();
  void CloseTarget(bool keep);

  TWavType wavType_ = wtPCM;
  uint16_t blockSize_ = 512;
  bool endOfInput_ = false;
  bool appending_ = false;
  int32_t announcedSize_ = 0;
  int64_t headerDataSize_ = 0;
  // IMA: the sample count the header announced, the samples per channel
  // taken from the input in this run, and the whole blocks an appended-to
  // file already held.
  int64_t headerFact_ = 0;
  int64_t samplesWritten_ = 0;
  int64_t existingBlocks_ = 0;
  TImaState ima_[2];
  TWaveHeader existing_;
  int channels_ = 0;
  std::unique_ptr<QFileDevice> file_;
  std::vector<uint8_t> buffer_;
};
