#include "jobs/TrackChecksums.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

// Slicing by 8: table k advances a byte through k more zero bytes, so eight
// bytes fold in with eight lookups and no dependency between them.
using TCrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr TCrcTables MakeCrcTables() {
  TCrcTables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (int k = 1; k < 8; ++k)
    for (uint32_t i = 0; i < 256; ++i) t[k][i] = t[0][t[k - 1][i] & 0xFFu] ^ (t[k - 1][i] >> 8);
  return t;
}

constexpr TCrcTables kCrc = MakeCrcTables();

uint32_t CrcBytes(uint32_t state, const uint8_t* data, size_t bytes) {
  size_t i = 0;
  for (; i + 8 <= bytes; i += 8) {
    const uint32_t low = state ^ (uint32_t{data[i]} | uint32_t{data[i + 1]} << 8 |
                                  uint32_t{data[i + 2]} << 16 | uint32_t{data[i + 3]} << 24);
    state = kCrc[7][low & 0xFFu] ^ kCrc[6][(low >> 8) & 0xFFu] ^ kCrc[5][(low >> 16) & 0xFFu] ^
            kCrc[4][low >> 24] ^ kCrc[3][data[i + 4]] ^ kCrc[2][data[i + 5]] ^
            kCrc[1][data[i + 6]] ^ kCrc[0][data[i + 7]];
  }
  for (; i < bytes; ++i) state = kCrc[0][(state ^ data[i]) & 0xFFu] ^ (state >> 8);
  return state;
}

}  // namespace

uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t bytes) {
  return CrcBytes(crc ^ 0xFFFFFFFFu, data, bytes) ^ 0xFFFFFFFFu;
}

TTrackChecksums::TTrackChecksums(bool firstTrack, bool lastTrack, int64_t totalSamples)
    : firstTrack_(firstTrack), lastTrack_(lastTrack), totalSamples_(totalSamples) {}

void TTrackChecksums::AddSample(uint32_t word) { AddSamples(&word, 1); }

void TTrackChecksums::AddSamples(const uint32_t* words, size_t count) {
  // The peak as the extremes of the 16-bit values, in a loop the compiler
  // vectorises; -32768 has no positive 16-bit counterpart, hence the int.
  int16_t high = 0, low = 0;
  for (size_t i = 0; i < count; ++i) {
    const auto left = static_cast<int16_t>(words[i] & 0xFFFFu);
    const auto right = static_cast<int16_t>(words[i] >> 16);
    high = std::max({high, left, right});
    low = std::min({low, left, right});
  }
  peak_ = std::max({peak_, int{high}, -int{low}});
  // The sums count positions first .. last (1-based), fixed by the track,
  // so only the part of this batch inside them is summed.
  const int64_t first = firstTrack_ ? kAccurateRipEdgeSamples : 1;
  const int64_t last = lastTrack_ ? totalSamples_ - kAccurateRipEdgeSamples : INT64_MAX;
  const int64_t from = std::max<int64_t>(position_ + 1, first);
  const int64_t to = std::min<int64_t>(position_ + static_cast<int64_t>(count), last);
  // A track's positions fit 32 bits (a disc holds under 2^32 samples), so
  // the products are 32 x 32 bits, which vector units multiply directly.
  uint32_t v1 = 0, v2 = 0;
  if (from <= to) {
    const size_t begin = static_cast<size_t>(from - position_ - 1);
    const size_t end = static_cast<size_t>(to - position_);
    const auto base = static_cast<uint32_t>(position_ + 1);
    for (size_t k = begin; k < end; ++k) {
      const uint64_t product = uint64_t{words[k]} * (base + static_cast<uint32_t>(k));
      v1 += static_cast<uint32_t>(product);
      v2 += static_cast<uint32_t>(product) + static_cast<uint32_t>(product >> 32);
    }
  }
  v1_ += v1;
  v2_ += v2;
  position_ += static_cast<int64_t>(count);
}

void TTrackChecksums::Update(const uint8_t* data, size_t bytes) {
  crc_ = CrcBytes(crc_, data, bytes);
  size_t i = 0;
  while (partialBytes_ > 0 && partialBytes_ < 4 && i < bytes) partial_[partialBytes_++] = data[i++];
  if (partialBytes_ == 4) {
    AddSample(uint32_t{partial_[0]} | uint32_t{partial_[1]} << 8 | uint32_t{partial_[2]} << 16 |
              uint32_t{partial_[3]} << 24);
    partialBytes_ = 0;
  }
  // Whole samples in batches, copied as words and turned little-endian.
  uint32_t words[1024];
  while (i + 4 <= bytes) {
    const size_t n = std::min<size_t>((bytes - i) / 4, std::size(words));
    std::memcpy(words, data + i, n * 4);
    if constexpr (std::endian::native == std::endian::big)
      for (size_t k = 0; k < n; ++k) words[k] = __builtin_bswap32(words[k]);
    AddSamples(words, n);
    i += n * 4;
  }
  while (i < bytes) partial_[partialBytes_++] = data[i++];
}

TTrackChecksumResult TTrackChecksums::Result() const {
  TTrackChecksumResult r;
  r.CopyCrc = crc_ ^ 0xFFFFFFFFu;
  r.AccurateRipV1 = v1_;
  r.AccurateRipV2 = v2_;
  r.Peak = peak_;
  r.Samples = position_;
  return r;
}
