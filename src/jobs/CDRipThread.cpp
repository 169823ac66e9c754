#include "jobs/CDRipThread.h"

#include "jobs/FileNames.h"
#include "jobs/Normalizer.h"
#include "jobs/ProgressTimes.h"
#include "jobs/WaveHeader.h"
#include "platform/AccurateRipDb.h"
#include "platform/CdDriveLibrary.h"
#include "platform/WindowMessages.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>

#include <sys/file.h>
#include <algorithm>

Q_LOGGING_CATEGORY(lcRipThread, "trackwell.jobs.rip")

namespace {

int64_t Frames(const CDTOCEntry& entry) {
  return (int64_t{entry.Address[1]} * 60 + entry.Address[2]) * 75 + entry.Address[3];
}

// The proxy of the freedb settings, for every other lookup on the net too.
TCddbServerOptions ProxyOptions() {
  TCddbServerOptions options;
  const TQueryCDDB& q = OptionsSetting.QueryCDDB;
  options.UseProxy = q.UseProxy;
  options.ProxyAddress = q.ProxyAddress.toStdString();
  bool numeric = false;
  const int port = q.Port.trimmed().toInt(&numeric);
  options.ProxyPort = numeric ? port : 80;
  options.Program = "Trackwell";
  return options;
}

}  // namespace

TCDRipThread::TCDRipThread(int trackNumber, QString title)
    : TrackNumber(trackNumber), Title(std::move(title)) {}

TCDRipThread::~TCDRipThread() { WaitFor(); }

void TCDRipThread::Resume() {
  if (thread_.joinable() || finished_) return;
  thread_ = std::thread([this] {
    Execute();
    finished_ = true;
  });
}

void TCDRipThread::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

QString TCDRipThread::OutputPath() const {
  return WithTrailingBackslash(OptionsSetting.CommonOptions.OutputFolder) + Title + ".wav";
}

void TCDRipThread::PostEnd(int32_t status) {
  Report.Status = status;
  TProcessInfo info;
  info.Code = kCodeTrackEnded;
  info.Status = status;
  PostProcessInfo(NotifyWindow.data(), info);
}

void TCDRipThread::PostProgress(int code, double elapsedSeconds) {
  TProcessInfo info;
  info.Code = code;
  const TProgressTimes times = FormatProgressTimes(elapsedSeconds, code);
  info.Elapsed = times.Elapsed;
  info.Estimated = times.Estimated;
  PostProcessInfo(NotifyWindow.data(), info);
}

void TCDRipThread::Execute() {
  if (ModifyCDParms(CDHandle, kModifyMsfAddressing, 1) == 0) {
    PostWindowMessage(NotifyWindow.data(), WM_RIP_ERROR, 0, 1);
    return;
  }
  CDTOC toc{};
  if (ReadTOC(CDHandle, &toc) != 1) {
    PostWindowMessage(NotifyWindow.data(), WM_RIP_ERROR, 0, 2);
    return;
  }
  // The track and the entry after it (the lead-out for the last) must both
  // be in the table, in ascending order.
  const int tracks = toc.LastTrack - toc.FirstTrack + 1;
  if (TrackNumber < 1 || TrackNumber > tracks || TrackNumber >= kCDTOCEntries) {
    PostWindowMessage(NotifyWindow.data(), WM_RIP_ERROR, 0, 2);
    return;
  }
  const int64_t origin = Frames(toc.Entries[0]);
  const int64_t start = Frames(toc.Entries[TrackNumber - 1]);
  const int64_t end = Frames(toc.Entries[TrackNumber]);
  if (start < origin || end < start) {
    PostWindowMessage(NotifyWindow.data(), WM_RIP_ERROR, 0, 2);
    return;
  }
  int64_t length = end - start;
  DescribeDisc(toc, tracks);
  trackSectors_ = length;
  const TCommonOptions& options = OptionsSetting.CommonOptions;
  // A negative limit means none; zero is refused before a job starts.
  if (options.EnableRipTime && options.RipTime >= 0)
    length = std::min<int64_t>(length, int64_t{options.RipTime} * 75);
  // This rip reads as the settings say; the handle reads plainly again after.
  const TCDOptions& cd = OptionsSetting.CDOptions;
  CdSetReadMode(CDHandle, cd.SecureRead, cd.ReadOffset);
  struct TPlainAgain {
    int32_t Handle;
    ~TPlainAgain() { CdSetReadMode(Handle, false, 0); }
  } plainAgain{CDHandle};
  Report.TrackNumber = TrackNumber;
  Report.Path = OutputPath();
  Report.FirstSector = start - origin;
  Report.Sectors = length;
  Report.Limited = length < trackSectors_;
  ExtractionLoop(OutputPath(), length, start - origin);
}

void TCDRipThread::ExtractionLoop(const QString& path, int64_t length, int64_t firstSector) {
  if (!IsValidFileName(Title)) {
    PostEnd(kRipCannotCreate);
    return;
  }
  // Unbuffered: the audio is gathered here and written in large pieces
  // (a read's 23520 bytes at a time cost a third more), so a full disk
  // shows within a piece of where it struck.
  QFile file(path);
  if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
    PostEnd(kRipCannotCreate);
    return;
  }
  // The lock first, the truncation after: a file that another program holds
  // is in use and stays untouched. Held, it shows this one as in use.
  if (::flock(file.handle(), LOCK_EX | LOCK_NB) != 0 || !file.resize(0)) {
    file.close();
    PostEnd(kRipCannotCreate);
    return;
  }
  auto writeFailed = [&] {
    file.close();
    QFile::remove(path);
    PostEnd(kRipWriteFailed);
  };
  if (!WriteWaveHeader(file, 0)) return writeFailed();

  TTrackChecksums sums(firstAudioTrack_, lastAudioTrack_, trackSectors_ * kSamplesPerCdSector);
  QElapsedTimer clock;
  clock.start();
  TTrackBufferPtr buffer = NewTrackBuffer(kMaxSectorsPerRead);
  constexpr size_t kWritePiece = 256 * 1024;
  std::vector<char> pending;
  pending.reserve(kWritePiece + kMaxSectorsPerRead * kRawSectorBytes);
  auto writePending = [&] {
    const bool ok = pending.empty() ||
                    file.write(pending.data(), qint64(pending.size())) == qint64(pending.size());
    pending.clear();
    return ok;
  };
  bool readFailed = false;
  int64_t done = 0;
  if (length == 0) PostProgress(100, clock.elapsed() / 1000.0);
  while (done < length) {
    const int n = static_cast<int>(std::min<int64_t>(kMaxSectorsPerRead, length - done));
    buffer->StartFrame = static_cast<uint32_t>(firstSector + done);
    buffer->NumFrames = static_cast<uint32_t>(n);
    buffer->Len = 0;
    buffer->StartOffset = 0;
    if (ReadCDAudioLBA(CDHandle, buffer.get()) == 1 && buffer->StartOffset >= 0 &&
        int64_t{buffer->StartOffset} + buffer->Len <= buffer->MaxLen) {
      NoteSuspiciousSectors();
      const uint8_t* audio = buffer->Data() + buffer->StartOffset;
      sums.Update(audio, buffer->Len);
      const auto* data = reinterpret_cast<const char*>(audio);
      pending.insert(pending.end(), data, data + buffer->Len);
      if (pending.size() >= kWritePiece && !writePending()) return writeFailed();
    } else {
      readFailed = true;
      Report.ReadErrors.push_back({firstSector + done, firstSector + done + n - 1});
    }
    done += n;
    PostProgress(static_cast<int>(done * 100 / length), clock.elapsed() / 1000.0);
    if (readFailed) break;
    if (Stopped) break;
  }
  if (!writePending()) return writeFailed();
  Report.Checksums = sums.Result();
  if (readFailed) {
    file.close();
    PostEnd(kRipReadFailed);
    return;
  }
  const qint64 audioBytes = file.size() - kWaveHeaderBytes;
  if (!file.seek(0) || !WriteWaveHeader(file, static_cast<uint32_t>(audioBytes)) || !file.flush())
    return writeFailed();
  file.close();
  if (Stopped) return;
  Report.Whole = !Report.Limited && done == length;
  if (Report.Whole) VerifyWithAccurateRip();
  if (OptionsSetting.CommonOptions.IsNormalize &&
      !NormalizeFile(path, OptionsSetting.CommonOptions.NormalizePercent, NotifyWindow.data())) {
    PostEnd(kRipWriteFailed);
    return;
  }
  PostEnd(kRipDone);
}

void TCDRipThread::DescribeDisc(const CDTOC& toc, int tracks) {
  std::vector<int64_t> all;
  std::vector<int64_t> audio;
  int firstAudio = 0;
  int lastAudio = 0;
  for (int i = 0; i < tracks; ++i) {
    const int64_t lsn = Frames(toc.Entries[i]) - 150;
    all.push_back(lsn);
    if (toc.Entries[i].AdrControl & 0x04) continue;  // a data track
    audio.push_back(lsn);
    if (firstAudio == 0) firstAudio = i + 1;
    lastAudio = i + 1;
  }
  const int64_t leadOut = Frames(toc.Entries[tracks]) - 150;
  Report.DiscIds = AccurateRipDiscIds(audio, leadOut, FreedbDiscId(all, leadOut));
  firstAudioTrack_ = TrackNumber == firstAudio;
  lastAudioTrack_ = TrackNumber == lastAudio;
  // Index among the audio tracks, for the database's per-track entries.
  audioIndex_ = -1;
  for (int i = 0, n = 0; i < tracks; ++i) {
    if (toc.Entries[i].AdrControl & 0x04) continue;
    if (i + 1 == TrackNumber) audioIndex_ = n;
    ++n;
  }
}

void TCDRipThread::NoteSuspiciousSectors() {
  // With a read offset the ranges overlap by a sector, so one can come twice.
  std::vector<int64_t>& seen = Report.Suspicious;
  for (const int64_t sector : CdTakeSuspiciousSectors(CDHandle)) {
    const auto at = std::lower_bound(seen.begin(), seen.end(), sector);
    if (at == seen.end() || *at != sector) seen.insert(at, sector);
  }
}

void TCDRipThread::VerifyWithAccurateRip() {
  if (audioIndex_ < 0) return;
  const auto records = FetchAccurateRip(Report.DiscIds, ProxyOptions());
  if (!records) return;
  Report.AccurateRip =
      MatchAccurateRip(*records, Report.DiscIds, audioIndex_, Report.Checksums.AccurateRipV1,
                       Report.Checksums.AccurateRipV2);
  if (Report.AccurateRip.Match == TAccurateRipMatch::NotAccurate)
    qCWarning(lcRipThread) << "track" << TrackNumber << "does not match its AccurateRip entry";
}
