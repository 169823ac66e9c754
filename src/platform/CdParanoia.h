#pragma once

// Reads a physical drive's audio through libcdio-paranoia: each sector is
// read with overlaps and verified against its neighbours, jitter and
// dropped or doubled bytes are repaired, and the drive's own cache is
// modelled and defeated so a re-read really reaches the disc. What
// paranoia cannot verify within its retries is kept as a suspicious
// sector. Not thread-safe; the drive library serialises the calls.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// Retries of one sector before paranoia gives up on it and returns what it
// has (as cd-paranoia does by default).
inline constexpr int kParanoiaRetries = 20;

class TCdParanoia {
 public:
  // Over an open libcdio handle (a CdIo_t, kept by the caller and outliving
  // this object). Null when paranoia cannot use the drive.
  static std::unique_ptr<TCdParanoia> Open(void* cdio);
  ~TCdParanoia();
  TCdParanoia(const TCdParanoia&) = delete;
  TCdParanoia& operator=(const TCdParanoia&) = delete;

  // Reads count raw sectors from lsn into out. Sectors paranoia could only
  // skip are appended to suspicious. False when a sector could not be read
  // at all.
  bool Read(int64_t lsn, int count, uint8_t* out, std::vector<int64_t>* suspicious);

 private:
  TCdParanoia() = default;
  void* drive_ = nullptr;     // cdrom_drive_t
  void* paranoia_ = nullptr;  // cdrom_paranoia_t
  int64_t next_ = -1;         // the sector a read without a seek gives next
};

// The sector a paranoia progress event leaves uncertain: a skip, where the
// retries ran out and the data was taken unverified. The position is
// paranoia's, in 16-bit words from sector 0. Nothing for events that were
// repaired or are only progress.
std::optional<int64_t> ParanoiaSuspiciousSector(long position, int event);
