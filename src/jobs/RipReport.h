#pragma once

// What the extraction of one track found out, for the rip log and the
// verdict the main window shows: its sectors, checksums, read errors and the
// AccurateRip result.

#include "cd/AccurateRipId.h"
#include "jobs/TrackChecksums.h"
#include "platform/AccurateRipDb.h"

#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

struct TRipTrackReport {
  int TrackNumber = 0;
  QString Path;             // the WAV file written
  int64_t FirstSector = 0;  // sector 0 = where track 1 starts
  int64_t Sectors = 0;      // sectors meant to be read
  int32_t Status = -1;      // the end-of-track status; -1 when none was posted
  bool Whole = false;       // every sector of the track was read without error
  bool Limited = false;     // cut to the length limit
  TTrackChecksumResult Checksums;
  // Sector ranges [first, last] that could not be read.
  std::vector<std::pair<int64_t, int64_t>> ReadErrors;
  // Sectors read but not verified (paranoia gave up on them), ascending.
  std::vector<int64_t> Suspicious;
  TAccurateRipDiscIds DiscIds;
  TAccurateRipVerdict AccurateRip;  // NotPresent unless the track was read whole
};
