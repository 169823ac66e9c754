#pragma once

#include <cstdint>

// The job kinds the job runner knows.
enum TJobKind : uint8_t {
  kJobRipTracks = 1,
  kJobWavToMp3 = 2,
  kJobMp3ToWav = 3,
  kJobRecorderMp3 = 4,
  kJobWavToOgg = 5,
  kJobWavToWma = 6,
};
