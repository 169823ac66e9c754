#pragma once

// The three numbers that name a disc in the AccurateRip database, and the
// path of its entry there. Sector numbers count from sector 0 = 00:02:00
// absolute, as in DiscId.h.
//   id1 = sum of the audio tracks' starts + lead-out
//   id2 = sum of max(start, 1) * track number + lead-out * (audio tracks + 1)
// both mod 2^32, track numbers counting the audio tracks from 1.

#include "cd/DiscId.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct TAccurateRipDiscIds {
  int AudioTracks = 0;
  uint32_t Id1 = 0;
  uint32_t Id2 = 0;
  uint32_t FreedbId = 0;
};

inline TAccurateRipDiscIds AccurateRipDiscIds(const std::vector<int64_t>& audioStarts,
                                              int64_t leadOut, uint32_t freedbId) {
  TAccurateRipDiscIds ids;
  ids.AudioTracks = static_cast<int>(audioStarts.size());
  ids.FreedbId = freedbId;
  uint32_t id1 = 0;
  uint32_t id2 = 0;
  for (size_t i = 0; i < audioStarts.size(); ++i) {
    id1 += static_cast<uint32_t>(audioStarts[i]);
    id2 +=
        static_cast<uint32_t>(std::max<int64_t>(audioStarts[i], 1)) * static_cast<uint32_t>(i + 1);
  }
  id1 += static_cast<uint32_t>(leadOut);
  id2 += static_cast<uint32_t>(leadOut) * static_cast<uint32_t>(ids.AudioTracks + 1);
  ids.Id1 = id1;
  ids.Id2 = id2;
  return ids;
}

// "a/b/c/dBAR-nnn-iiiiiiii-jjjjjjjj-ffffffff.bin": a, b, c are the last,
// second-last and third-last hex digits of id1.
inline std::string AccurateRipEntryPath(const TAccurateRipDiscIds& ids) {
  char text[80];
  std::snprintf(text, sizeof text, "%x/%x/%x/dBAR-%03d-%08x-%08x-%08x.bin", ids.Id1 & 0xFu,
                (ids.Id1 >> 4) & 0xFu, (ids.Id1 >> 8) & 0xFu, ids.AudioTracks % 1000,
                static_cast<unsigned>(ids.Id1), static_cast<unsigned>(ids.Id2),
                static_cast<unsigned>(ids.FreedbId));
  return text;
}
