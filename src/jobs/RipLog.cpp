#include "jobs/RipLog.h"

#include "jobs/CDRipThread.h"
#include "jobs/FileNames.h"
#include "platform/UserFile.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>

#include <algorithm>

Q_LOGGING_CATEGORY(lcRipLog, "trackwell.jobs.riplog")

namespace {

QString Hex(uint32_t v) { return QString::asprintf("%08X", v); }

// A sector's time from the start of its track, as m:ss.ff (75 frames a
// second), the way rippers' logs place a position.
QString TrackTime(const TRipTrackReport& t, int64_t sector) {
  const int64_t f = std::max<int64_t>(0, sector - t.FirstSector);
  return QString::asprintf("%d:%02d.%02d", int(f / 4500), int(f / 75 % 60), int(f % 75));
}

QString AccurateRipLine(const TRipTrackReport& t) {
  if (t.Status != kRipDone || !t.Whole)
    return t.Limited ? QStringLiteral("not checked (only the first seconds were ripped)")
                     : QStringLiteral("not checked (the track was not read whole)");
  const TAccurateRipVerdict& v = t.AccurateRip;
  switch (v.Match) {
    case TAccurateRipMatch::Accurate:
      return QStringLiteral("accurately ripped (v%1, confidence %2)")
          .arg(v.Version)
          .arg(v.Confidence);
    case TAccurateRipMatch::NotAccurate:
      return QStringLiteral("not accurate (the database holds other sums, confidence %1)")
          .arg(v.Confidence);
    case TAccurateRipMatch::NotPresent:
      break;
  }
  return QStringLiteral("not present in AccurateRip");
}

}  // namespace

QString RipLogText(const TRipLogHeader& header, const std::vector<TRipTrackReport>& tracks) {
  QString s;
  s += header.Program + " rip log\n";
  s += "Date: " + header.Date + "\n";
  s += "Drive: " + header.Drive + "\n";
  s += "Read mode: " + header.ReadMode + "\n";
  s += QStringLiteral("Read offset: %1 samples\n").arg(header.ReadOffset);
  s += "Output: " + header.Output + "\n";
  if (!tracks.empty()) {
    const TAccurateRipDiscIds& ids = tracks.front().DiscIds;
    s += QStringLiteral("Disc: %1 tracks, freedb id %2, AccurateRip ids %3-%4\n")
             .arg(ids.AudioTracks)
             .arg(QString::asprintf("%08x", ids.FreedbId))
             .arg(QString::asprintf("%08x", ids.Id1))
             .arg(QString::asprintf("%08x", ids.Id2));
  }
  int errors = 0;
  int suspicious = 0;
  for (const TRipTrackReport& t : tracks) {
    s += QStringLiteral("\nTrack %1\n").arg(t.TrackNumber, 2, 10, QChar('0'));
    s += "  File: " + QFileInfo(t.Path).fileName() + "\n";
    s += QStringLiteral("  Sectors: %1-%2 (%3 sectors)\n")
             .arg(t.FirstSector)
             .arg(t.FirstSector + std::max<int64_t>(t.Sectors, 1) - 1)
             .arg(t.Sectors);
    s += QStringLiteral("  Peak level: %1 %\n").arg(t.Checksums.Peak * 100.0 / 32768.0, 0, 'f', 1);
    s += "  Copy CRC: " + Hex(t.Checksums.CopyCrc) +
         (t.Status == kRipDone ? QString() : QStringLiteral(" (of the sectors read)")) + "\n";
    s += "  AccurateRip v1 " + Hex(t.Checksums.AccurateRipV1) + ", v2 " +
         Hex(t.Checksums.AccurateRipV2) + ": " + AccurateRipLine(t) + "\n";
    if (t.ReadErrors.empty() && t.Status == kRipDone) s += "  Read errors: none\n";
    for (const auto& [first, last] : t.ReadErrors) {
      s += QStringLiteral("  Read error: sectors %1-%2 at %3\n")
               .arg(first)
               .arg(last)
               .arg(TrackTime(t, first));
      ++errors;
    }
    for (const int64_t sector : t.Suspicious) {
      s += QStringLiteral("  Suspicious position: %1 (sector %2)\n")
               .arg(TrackTime(t, sector))
               .arg(sector);
      ++suspicious;
    }
    if (t.Status != kRipDone && t.ReadErrors.empty())
      s += QStringLiteral("  Not extracted (status %1)\n").arg(t.Status);
  }
  s += "\nSummary: " + RipVerdictText(tracks) + "\n";
  s += QStringLiteral("Read errors: %1\n").arg(errors);
  s += QStringLiteral("Suspicious positions: %1\n").arg(suspicious);
  s += QStringLiteral("End of log\n");
  return s;
}

QString RipVerdictText(const std::vector<TRipTrackReport>& tracks) {
  int accurate = 0;
  int absent = 0;
  int failed = 0;
  int uncertain = 0;
  int confidence = -1;
  for (const TRipTrackReport& t : tracks) {
    if (t.Status == kRipDone && !t.Suspicious.empty()) ++uncertain;
    if (t.Status != kRipDone) {
      ++failed;
    } else if (t.Whole && t.AccurateRip.Match == TAccurateRipMatch::Accurate) {
      ++accurate;
      confidence = confidence < 0 ? t.AccurateRip.Confidence
                                  : std::min(confidence, t.AccurateRip.Confidence);
    } else if (t.AccurateRip.Match == TAccurateRipMatch::NotPresent) {
      ++absent;
    }
  }
  const int count = static_cast<int>(tracks.size());
  QString s = QStringLiteral("%1 of %2 tracks accurately ripped").arg(accurate).arg(count);
  if (accurate > 0) s += QStringLiteral(" (confidence %1)").arg(confidence);
  if (absent > 0) s += QStringLiteral(", %1 not present in AccurateRip").arg(absent);
  if (failed > 0) s += QStringLiteral(", %1 not extracted").arg(failed);
  if (uncertain > 0) s += QStringLiteral(", %1 with suspicious positions").arg(uncertain);
  return s;
}

QString RipLogFileName(const QString& album, uint32_t freedbId) {
  const QString name = album.trimmed();
  if (!name.isEmpty() && IsValidFileName(name)) return name + ".log";
  return QString::asprintf("%08x.log", freedbId);
}

bool WriteRipLog(const QString& path, const QString& text) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    qCWarning(lcRipLog) << "cannot write the rip log" << path << file.errorString();
    return false;
  }
  const QByteArray bytes = text.toUtf8();
  if (file.write(bytes) != bytes.size() || !CommitWhole(file)) {
    qCWarning(lcRipLog) << "cannot write the rip log" << path << file.errorString();
    return false;
  }
  return true;
}
