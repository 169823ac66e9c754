#include "settings/CDInfo.h"

#include "platform/ProgramFolder.h"
#include "settings/OptionsSetting.h"
#include "settings/ProfileFile.h"
#include "settings/SharedRoutines.h"

#include <algorithm>

QString DiscCatalogueFile() { return ProgramFolder() + "cdinfo.dat"; }

QString DiscKeyFromId(std::optional<uint32_t> discId) {
  if (!discId) return {};
  return QString::number(static_cast<int32_t>(*discId));
}

namespace {

QString DefaultTitle(int n) { return "Track" + FormatTwoDigits(n); }

// A title can come from a server or a paste; a line break in it would split
// the catalogue line, so it is stored as a blank.
QString SingleLine(QString text) {
  text.replace("\r\n", " ");
  text.replace('\r', ' ');
  text.replace('\n', ' ');
  return text;
}

}  // namespace

void DiscInfo(const QString& key, bool read) {
  if (key.isEmpty()) return;
  TCDInfo& info = OptionsSetting.CDInfo;
  TProfileFile file(DiscCatalogueFile());
  if (read) {
    info.Artist = file.ReadString(key, "Artist", "");
    info.Album = file.ReadString(key, "Album", "");
    info.Year = file.ReadString(key, "Year", "");
    info.Genre = file.ReadInteger(key, "Genre", -1);
    info.Comment = file.ReadString(key, "Comment", "");
    info.TrackNumber = file.ReadInteger(key, "TrackNumber", 100);
    const int count = std::min(info.TrackNumber, kMaxTitles);
    for (int n = 1; n <= count; ++n) {
      QString title = file.ReadString(key, QString::number(n), "");
      info.Tracks[n] = title.isEmpty() ? DefaultTitle(n) : title;
    }
    return;
  }
  file.WriteString(key, "Artist", SingleLine(info.Artist));
  file.WriteString(key, "Album", SingleLine(info.Album));
  file.WriteString(key, "Year", SingleLine(info.Year));
  file.WriteInteger(key, "Genre", info.Genre);
  file.WriteString(key, "Comment", SingleLine(info.Comment));
  file.WriteInteger(key, "TrackNumber", info.TrackNumber);
  const int count = std::min(info.TrackNumber, kMaxTitles);
  for (int n = 1; n <= count; ++n)
    file.WriteString(key, QString::number(n), SingleLine(info.Tracks[n]));
  file.Save();
}
