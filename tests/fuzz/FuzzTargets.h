#pragma once

// One entry point per parser, each over a memory buffer. They return 0 and
// call abort() when an invariant of the parser breaks, so libFuzzer
// (FuzzMain.cpp) and the plain corpus replay (Replay.cpp) treat a broken
// invariant like a crash.

#include <cstddef>
#include <cstdint>

int FuzzProfileFile(const uint8_t* data, size_t size);
int FuzzWaveIn(const uint8_t* data, size_t size);
int FuzzId3Tag(const uint8_t* data, size_t size);
int FuzzLameOutput(const uint8_t* data, size_t size);
int FuzzWmaOutput(const uint8_t* data, size_t size);
int FuzzCueSheet(const uint8_t* data, size_t size);
int FuzzCddb(const uint8_t* data, size_t size);
int FuzzMpegWave(const uint8_t* data, size_t size);
int FuzzWmaArgs(const uint8_t* data, size_t size);
int FuzzUserReg(const uint8_t* data, size_t size);
int FuzzDiscImage(const uint8_t* data, size_t size);

struct TFuzzTarget {
  const char* Name;  // the folder of its seeds and kept crashes
  int (*Run)(const uint8_t* data, size_t size);
};

inline constexpr TFuzzTarget kFuzzTargets[] = {
    {"profile_file", FuzzProfileFile},
    {"wave_in", FuzzWaveIn},
    {"id3_tag", FuzzId3Tag},
    {"lame_output", FuzzLameOutput},
    {"wma_output", FuzzWmaOutput},
    {"cue_sheet", FuzzCueSheet},
    {"cddb", FuzzCddb},
    {"mpeg_wave", FuzzMpegWave},
    {"wma_args", FuzzWmaArgs},
    {"user_reg", FuzzUserReg},
    {"disc_image", FuzzDiscImage},
};

// Prints what broke and aborts.
[[noreturn]] void FuzzFail(const char* what);
#define FUZZ_CHECK(cond)          \
  do {                            \
    if (!(cond)) FuzzFail(#cond); \
  } while (0)
