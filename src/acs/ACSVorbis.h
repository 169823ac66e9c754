#pragma once

// Ogg Vorbis file sink and source, over libogg, libvorbis, libvorbisenc and
// libvorbisfile (linked at build time).

#include "acs/ACSClasses.h"

#include <QStringList>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

enum TVorbisBitRate : uint8_t {
  brAutoSelect,
  br45,
  br48,
  br56,
  br64,
  br80,
  br96,
  br112,
  br128,
  br144,
  br160,
  br192,
  br224,
  br256,
  br320,
  br499
};

// Bits per second of a bit-rate value; -1 for brAutoSelect (and anything
// outside the table).
int32_t VorbisBitRateValue(TVorbisBitRate rate);

struct TVorbisEncoder;
struct TVorbisDecoder;

// Encodes 16-bit mono or stereo PCM from Input into an Ogg Vorbis file.
// Quality mode (Compression) while every bit rate is brAutoSelect, managed
// bit rate otherwise. A new file is written beside its final name and only
// takes that name once the stream is complete; a failed job leaves no
// file (and an append leaves the old file as it was).
class TVorbisOut : public TACSFileOut {
 public:
  explicit TVorbisOut(QObject* owner = nullptr);
  ~TVorbisOut() override;

  void SetFileMode(TFileOutputMode mode) override { FFileMode = mode; }

  // Quality for variable bit rate, -0.1 .. 1.
  float Compression() const { return FCompression; }
  void SetCompression(float quality) { FCompression = quality; }
  // Lines "name=value", applied to the next encode only (Done empties them).
  const QStringList& Comments() const { return FComments; }
  void SetComments(const QStringList& comments) { FComments = comments; }

  // The three bit rates are kept consistent: minimum <= nominal <= maximum.
  // Set the nominal first; a maximum is refused while it is brAutoSelect.
  TVorbisBitRate DesiredNominalBitrate() const { return FNominal; }
  void SetDesiredNominalBitrate(TVorbisBitRate rate);
  TVorbisBitRate DesiredMaximumBitrate() const { return FMaximum; }
  void SetDesiredMaximumBitrate(TVorbisBitRate rate);
  TVorbisBitRate MinimumBitrate() const { return FMinimum; }
  void SetMinimumBitrate(TVorbisBitRate rate);

  // Ogg logical stream serial number. Until one is set, each stream gets a
  // random one. A stream appended to a file never takes the serial of the
  // file's last stream (the next number is used instead).
  int32_t Serial() const { return FSerial; }
  void SetSerial(int32_t serial) {
    FSerial = serial;
    FSerialSet = true;
  }

 protected:
  bool DoOutput(bool abort) override;
  void Done() override;
  void Prepare() override;

 private:
  void Step();
  void Drain();
  void WritePage(const void* header, long headerLen, const void* body, long bodyLen);
  void CloseOutput(bool keep);
  void ReleaseEncoder();
  int32_t StreamSerial(const std::optional<int32_t>& lastSerial) const;

  float FCompression = 0.2f;
  QStringList FComments;
  TVorbisBitRate FNominal = brAutoSelect;
  TVorbisBitRate FMaximum = brAutoSelect;
  TVorbisBitRate FMinimum = brAutoSelect;
  int32_t FSerial = 0;
  bool FSerialSet = false;

  std::unique_ptr<TVorbisEncoder> enc_;
  std::unique_ptr<QIODevice> file_;
  bool appending_ = false;
  qint64 appendOffset_ = 0;
  bool endOfStream_ = false;
  bool failed_ = false;
  int channels_ = 0;
  std::vector<uint8_t> buffer_;
  size_t pending_ = 0;  // bytes of an incomplete frame at the front of buffer_
};

// Decodes an Ogg Vorbis file (current link's format) into 16-bit PCM.
class TVorbisIn : public TACSFileIn {
 public:
  explicit TVorbisIn(QObject* owner = nullptr);
  ~TVorbisIn() override;

  int32_t GetData(uint8_t* buffer, int32_t bufferSize) override;
  void OpenFile() override;
  void CloseFile() override;
  bool Seek(int32_t sampleNum) override;

  // The file's user comments, one "name=value" per line, after OpenFile.
  QStringList Comments() const;
  int32_t MaxBitrate() const { return FMaxBitrate; }
  int32_t NominalBitrate() const { return FNominalBitrate; }
  int32_t MinBitrate() const { return FMinBitrate; }
  // Whole-stream duration in seconds, rounded.
  int32_t Duration() const { return FTime; }

  // The decoder's stream callbacks; public for the C callback table.
  size_t ReadCallback(void* ptr, size_t size, size_t count);
  int SeekCallback(int64_t offset, int whence);
  int CloseCallback();
  long TellCallback();

 private:
  void Fill(bool cutAtSize);

  std::unique_ptr<TVorbisDecoder> dec_;
  std::unique_ptr<QIODevice> ownedStream_;
  bool decoderOpen_ = false;
  QStringList FComments;
  mutable std::mutex commentsLock_;
  int32_t FMaxBitrate = 0;
  int32_t FNominalBitrate = 0;
  int32_t FMinBitrate = 0;
  bool endOfFile_ = false;
  std::vector<uint8_t> buffer_;
};
