#include "jobs/TrackChecksums.h"

#include <array>
#include <cstdlib>

namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

uint32_t CrcBytes(uint32_t state, const uint8_t* data, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) state = kCrcTable[(state ^ data[i]) & 0xFFu] ^ (state >> 8);
  return state;
}

int Magnitude(uint16_t raw) { return std::abs(static_cast<int>(static_cast<int16_t>(raw))); }

}  // namespace

uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t bytes) {
  return CrcBytes(crc ^ 0xFFFFFFFFu, data, bytes) ^ 0xFFFFFFFFu;
}

TTrackChecksums::TTrackChecksums(bool firstTrack, bool lastTrack, int64_t totalSamples)
    : firstTrack_(firstTrack), lastTrack_(lastTrack), totalSamples_(totalSamples) {}

void TTrackChecksums::AddSample(uint32_t word) {
  ++position_;
  const int left = Magnitude(static_cast<uint16_t>(word & 0xFFFFu));
  const int right = Magnitude(static_cast<uint16_t>(word >> 16));
  if (left > peak_) peak_ = left;
  if (right > peak_) peak_ = right;
  if (firstTrack_ && position_ < kAccurateRipEdgeSamples) return;
  if (lastTrack_ && position_ > totalSamples_ - kAccurateRipEdgeSamples) return;
  const uint64_t product = uint64_t{word} * static_cast<uint64_t>(position_);
  const auto low = static_cast<uint32_t>(product);
  v1_ += low;
  v2_ += low + static_cast<uint32_t>(product >> 32);
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
  for (; i + 4 <= bytes; i += 4)
    AddSample(uint32_t{data[i]} | uint32_t{data[i + 1]} << 8 | uint32_t{data[i + 2]} << 16 |
              uint32_t{data[i + 3]} << 24);
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
