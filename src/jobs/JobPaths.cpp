#include "jobs/JobPaths.h"

#include "jobs/JobKinds.h"
#include "settings/SharedRoutines.h"

QString ChangeFileExt(const QString& path, const QString& ext) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  if (dot > slash) return path.left(dot) + ext;
  return path + ext;
}

QString ExtractFileName(const QString& path) {
  return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString JobCaption(const QString& verb, int n, int count, const QString& text) {
  return verb + "(" + FormatTwoDigits(n) + "/" + FormatTwoDigits(count) + "): " + text;
}

int EntryTrackNumber(const QString& entry) { return entry.left(2).toInt(); }

QString EntryTitle(const QString& entry) { return entry.mid(2); }

QString JobOutputPath(uint8_t jobKind, const QString& folder, const QString& entry,
                      const QString& ext) {
  switch (jobKind) {
    case kJobRipTracks:
      return folder + EntryTitle(entry) + ext;
    case kJobRecorderMp3:
      return ChangeFileExt(entry, ext);
    default:
      return folder + ChangeFileExt(ExtractFileName(entry), ext);
  }
}
