#include "jobs/TrackChecksums.h"

#include "jobs/Crc32Fold.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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
  if (Crc32FoldAvailable()) state = Crc32Fold(state, data, bytes, &i);
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

namespace {

// The sample loops, compiled twice on x86-64: for AVX2, picked at load
// time where the processor has it, and for the baseline.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TW_SAMPLE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TW_SAMPLE_CLONES
#endif

uint32_t Word(const uint8_t* p) {
  uint32_t w;
  std::memcpy(&w, p, 4);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap32(w);
  return w;
}

// The extremes of the 16-bit values of count stereo samples, in a loop
// the compiler vectorises; -32768 has no positive counterpart, hence int.
TW_SAMPLE_CLONES int PeakOf(const uint8_t* samples, size_t count) {
  int16_t high = 0, low = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t w = Word(samples + 4 * i);
    const auto left = static_cast<int16_t>(w & 0xFFFFu);
    const auto right = static_cast<int16_t>(w >> 16);
    high = std::max({high, left, right});
    low = std::min({low, left, right});
  }
  return std::max(int{high}, -int{low});
}

// Adds sample k times position base + k for k in [begin, end) to the v1
// and v2 sums. A track's positions fit 32 bits (a disc holds under 2^32
// samples), so the products are 32 x 32 bits, which vector units multiply
// directly.
TW_SAMPLE_CLONES void AddProducts(const uint8_t* samples, size_t begin, size_t end, uint32_t base,
                                  uint32_t* v1, uint32_t* v2) {
  uint32_t s1 = 0, s2 = 0;
  for (size_t k = begin; k < end; ++k) {
    const uint64_t product = uint64_t{Word(samples + 4 * k)} * (base + static_cast<uint32_t>(k));
    s1 += static_cast<uint32_t>(product);
    s2 += static_cast<uint32_t>(product) + static_cast<uint32_t>(product >> 32);
  }
  *v1 += s1;
  *v2 += s2;
}

}  // namespace

void TTrackChecksums::AddSamples(const uint8_t* samples, size_t count) {
  peak_ = std::max(peak_, PeakOf(samples, count));
  // The sums count positions first .. last (1-based), fixed by the track,
  // so only the part of this batch inside them is summed.
  const int64_t first = firstTrack_ ? kAccurateRipEdgeSamples : 1;
  const int64_t last = lastTrack_ ? totalSamples_ - kAccurateRipEdgeSamples : INT64_MAX;
  const int64_t from = std::max<int64_t>(position_ + 1, first);
  const int64_t to = std::min<int64_t>(position_ + static_cast<int64_t>(count), last);
  if (from <= to)
    AddProducts(samples, static_cast<size_t>(from - position_ - 1),
                static_cast<size_t>(to - position_), static_cast<uint32_t>(position_ + 1), &v1_,
                &v2_);
  position_ += static_cast<int64_t>(count);
}

void TTrackChecksums::Update(const uint8_t* data, size_t bytes) {
  crc_ = CrcBytes(crc_, data, bytes);
  size_t i = 0;
  while (partialBytes_ > 0 && partialBytes_ < 4 && i < bytes) partial_[partialBytes_++] = data[i++];
  if (partialBytes_ == 4) {
    AddSamples(partial_, 1);
    partialBytes_ = 0;
  }
  const size_t whole = (bytes - i) / 4;
  if (whole > 0) AddSamples(data + i, whole);
  i += whole * 4;
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
