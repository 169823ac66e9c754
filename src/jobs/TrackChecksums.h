#pragma once

// Checksums of one track's audio, fed chunk by chunk as the extraction reads
// it: the copy CRC (CRC-32 of the audio bytes), the AccurateRip v1 and v2
// sums, and the peak level. Pure arithmetic; one object per track, used by
// one thread.

#include <cstddef>
#include <cstdint>

// Stereo samples (frames of 4 bytes) a sector holds.
inline constexpr int64_t kSamplesPerCdSector = 588;
// AccurateRip leaves out the first 5 * 588 - 1 samples of the disc's first
// track and the last 5 * 588 samples of its last track: drives cannot all
// read that close to the disc's edges.
inline constexpr int64_t kAccurateRipEdgeSamples = 5 * kSamplesPerCdSector;

struct TTrackChecksumResult {
  uint32_t CopyCrc = 0;
  uint32_t AccurateRipV1 = 0;
  uint32_t AccurateRipV2 = 0;
  int Peak = 0;         // largest absolute sample value, 0..32768
  int64_t Samples = 0;  // stereo samples seen
};

class TTrackChecksums {
 public:
  // totalSamples: the whole track's length in stereo samples (for the edge
  // left out of the last track).
  TTrackChecksums(bool firstTrack, bool lastTrack, int64_t totalSamples);

  // Audio bytes as read, 16-bit little-endian stereo; a sample split across
  // two calls is joined.
  void Update(const uint8_t* data, size_t bytes);
  TTrackChecksumResult Result() const;

 private:
  // count stereo samples, little-endian, 4 bytes each.
  void AddSamples(const uint8_t* samples, size_t count);

  bool firstTrack_;
  bool lastTrack_;
  int64_t totalSamples_;
  uint32_t crc_ = 0xFFFFFFFFu;
  uint32_t v1_ = 0;
  uint32_t v2_ = 0;
  int peak_ = 0;
  int64_t position_ = 0;  // 1-based position of the last sample added
  uint8_t partial_[4] = {};
  int partialBytes_ = 0;
};

// CRC-32 (IEEE 802.3, as zlib computes it) continued from crc over bytes;
// start with 0.
uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t bytes);
