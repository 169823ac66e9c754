#pragma once

// Converts the samples of a WAV file whose format tag is 0x55 (MPEG Layer
// 3) to PCM, in memory. The object is a memory stream holding the raw
// sample data (no header) described by SourceFormat. Used on one thread.

#include <QBuffer>
#include <QIODevice>

#include <array>
#include <cstdint>

class TWaveConverter : public QBuffer {
 public:
  TWaveConverter();

  // Loads SourceFormat and the sample data from a WAV file stream at
  // position 0, walking its chunks as RIFF lays them out, or where that
  // fails, scanning for the ids byte by byte; a stream that does not begin
  // with "RIFF" and "WAVE" loads nothing. The content is left at position 0.
  void ReadWaveFile(QIODevice& stream);
  // Decodes the content from SourceFormat to 16-bit PCM. 0 on success
  // (SourceFormat then describes the PCM, the content holds it), else an
  // error number and the content is unchanged.
  int ConvertFormat();
  // Writes the content as a PCM WAV stream at the target's position,
  // leaving the target at its end and this stream's position as it was. 0,
  // or 286 on a write failure.
  int WriteWaveStream(QIODevice& target);

  // Fills desired (a PCM record with the format tag already set to 1) with
  // the PCM format that source decodes to; 0 on success.
  static int SuggestFormat(const uint8_t* source, uint8_t* desired);

  // The largest format record handled; both buffers hold it.
  uint32_t FormatSize;
  // Wave format records: tag, channels, sample rate, bytes per second,
  // block align, bits per sample, extra size, extra bytes.
  std::array<uint8_t, 129> SourceFormat{};
  std::array<uint8_t, 131> DesiredFormat{};
};

// Error numbers of ConvertFormat and SuggestFormat.
inline constexpr int kAcmErrNotPossible = 512;
inline constexpr int kWriteWaveStreamFailed = 286;
