#pragma once

// How the drive library reads a range of sectors for ReadCDAudioLBA: moved
// by the drive's read offset, and in secure mode read again until the reads
// agree. Caller holds the handle's lock.

#include "platform/CdDisc.h"

#include <cstdint>

// A handle reads once per range until a rip asks for more; playback wants
// no re-reads.
struct TCdReadMode {
  bool Secure = false;
  int32_t OffsetSamples = 0;  // positive: the audio starts that much later
  bool Paranoia = false;      // read through libcdio-paranoia (physical drives)
};

// Secure mode: a range is read twice and taken when both reads agree;
// otherwise it is read again, up to kSecureMaxReads reads in all, until
// kSecureAgreeing of them agree. A failed read fails at once.
inline constexpr int kSecureMaxReads = 16;
inline constexpr int kSecureAgreeing = 8;

// Reads count sectors (2352 bytes each) of audio from lsn into out, moved by
// the mode's offset; samples beyond the disc's readable sectors read as
// silence. The range lsn .. lsn + count - 1 itself must be readable.
// *reads, when given, receives the number of reads made.
bool ReadAudioRange(TCdDisc& disc, int64_t lsn, int count, const TCdReadMode& mode, uint8_t* out,
                    int32_t* error, int* reads = nullptr);
