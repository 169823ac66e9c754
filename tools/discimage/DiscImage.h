#pragma once

// Writes audio disc images (.cue + .bin) from a description, for the demo
// disc, tests and the command-line tool trackwell-discimage. The output is
// deterministic: the same description always gives the same bytes.
//
// The cue names one BINARY file with the cue's base name and ".bin" (libcdio
// derives the .bin name from the .cue name), and marks gaps with INDEX 00 /
// INDEX 01 instead of PREGAP lines. The disc starts at sector 0 (00:02:00
// absolute); a gap before track 1 makes track 1 start later, as on discs
// with audio hidden before it. A gap before track k is silence at the end of
// track k - 1's span in the file.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

inline constexpr int kImageSectorBytes = 2352;
inline constexpr int kSectorsPerSecond = 75;
inline constexpr int kSamplesPerSector = 588;  // stereo frames of 16 bits

enum class TTrackContent {
  Tone,     // a soft sine tone with a few harmonics, faded in and out
  Noise,    // white noise from a counter-based generator seeded by Seed
  Silence,  // zeros (written sparse, so long silent discs stay cheap)
  Ramp,     // sample n of the track holds n & 0xFFFF in both channels: a
            // byte pattern that shows any misplaced sector
  Data,     // a MODE1/2352 data track (sync, header, a deterministic payload)
};

struct TTrackDescription {
  int64_t Sectors = 0;     // length from INDEX 01 to the next track's gap
  int64_t GapSectors = 0;  // silent INDEX 00 gap before this track
  TTrackContent Content = TTrackContent::Tone;
  double FrequencyHz = 440.0;  // Tone: fundamental
  double Amplitude = 0.25;     // Tone and Noise: peak as a fraction of full scale
  uint32_t Seed = 1;           // Noise and Data
};

struct TDiscDescription {
  std::vector<TTrackDescription> Tracks;  // 1..99 tracks, in disc order

  // Catalogue entry written by WriteCatalogueSection (titles by track).
  QString Artist;
  QString Album;
  QString Year;
  int Genre = -1;
  QString Comment;
  QStringList Titles;
};

// Sectors for a length in seconds.
inline constexpr int64_t SecondsToSectors(double seconds) {
  return static_cast<int64_t>(seconds * kSectorsPerSecond + 0.5);
}

// The layout the cue describes: track k (0-based) starts at sector
// TrackStarts[k] (INDEX 01); LeadOut is the sector after the last one.
struct TDiscLayout {
  std::vector<int64_t> TrackStarts;
  int64_t LeadOut = 0;
};
TDiscLayout LayoutOf(const TDiscDescription& disc);

// The 2352 bytes the image holds at sector lsn (zeros past the lead-out).
QByteArray ImageSector(const TDiscDescription& disc, int64_t lsn);

// The text of the .cue for an image whose .bin is called binName.
QString CueText(const TDiscDescription& disc, const QString& binName);

// Writes cuePath and the .bin beside it (same base name). Each file is
// written to a temporary name and renamed, so no half image is ever left.
// False with *error set when the description is invalid (no track, more
// than 99, a length below 1 sector, a negative gap) or a file cannot be
// written.
bool WriteDiscImage(const TDiscDescription& disc, const QString& cuePath, QString* error);

// The freedb id of the disc the description makes.
uint32_t DiscIdOf(const TDiscDescription& disc);

// Writes a catalogue file (cdinfo.dat format) holding only this disc's
// section: key = the freedb id as signed decimal; Artist, Album, Year,
// Genre, Comment, TrackNumber, then 1..N (Titles, "Track" + two digits where
// a title is missing). With keepExisting, an existing file is left as it is
// and true returned. Written whole or not at all.
bool WriteCatalogueSection(const TDiscDescription& disc, const QString& cataloguePath,
                           bool keepExisting, QString* error);

// The five-track demo disc of the build (titled tones of 20 to 40 s).
TDiscDescription DemoDisc();
