#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// The titles and texts of the disc in the drive.
struct TCDInfo {
  QString Artist;
  QString Album;
  QString Year;
  int32_t Genre = 0;  // position in the alphabetical genre list, -1 none
  QString Comment;
  int32_t TrackNumber = 0;
  // Slots 1..100 are used; slot 0 is unused so indexes read as track numbers.
  std::array<QString, 101> Tracks;
};

inline constexpr int kMaxTitles = 100;

// The catalogue section name for a disc id: the id as a signed 32-bit
// decimal; empty when there is no audio disc.
QString DiscKeyFromId(std::optional<uint32_t> discId);

// Loads (read = true) or saves the entry of the disc with the given key in
// cdinfo.dat beside the program, into or from OptionsSetting.CDInfo. An
// empty key does nothing. Saving throws TProfileWriteError.
void DiscInfo(const QString& key, bool read);
inline void LoadDiscInfo(const QString& key) { DiscInfo(key, true); }
inline void SaveDiscInfo(const QString& key) { DiscInfo(key, false); }

// Full path of cdinfo.dat.
QString DiscCatalogueFile();
