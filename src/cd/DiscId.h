#pragma once

#include <cstdint>
#include <vector>

// The freedb disc id of a table of contents. Sector numbers count from the
// start of track 1's program area (sector 0 = 00:02:00 absolute); every
// track counts, data tracks included.
//   id = (sum of the digit sums of each track's start second) mod 255 << 24
//        | (lead-out second - first track's second) << 8 | track count
// where a sector's second is (sector + 150) / 75.
inline int FreedbDigitSum(int64_t n) {
  int sum = 0;
  for (; n > 0; n /= 10) sum += static_cast<int>(n % 10);
  return sum;
}

inline uint32_t FreedbDiscId(const std::vector<int64_t>& trackStarts, int64_t leadOut) {
  if (trackStarts.empty()) return 0;
  int64_t digits = 0;
  for (int64_t start : trackStarts) digits += FreedbDigitSum((start + 150) / 75);
  const int64_t seconds = (leadOut + 150) / 75 - (trackStarts.front() + 150) / 75;
  return (static_cast<uint32_t>(digits % 255) << 24) |
         ((static_cast<uint32_t>(seconds) & 0xFFFFu) << 8) |
         (static_cast<uint32_t>(trackStarts.size()) & 0xFFu);
}

// The frame offsets a CDDB query sends: each track's start + 150.
inline std::vector<int64_t> FreedbOffsets(const std::vector<int64_t>& trackStarts) {
  std::vector<int64_t> offsets;
  offsets.reserve(trackStarts.size());
  for (int64_t start : trackStarts) offsets.push_back(start + 150);
  return offsets;
}
