#include "jobs/CDRipThread.h"

#include "jobs/FileNames.h"
#include "jobs/Normalizer.h"
#include "jobs/ProgressTimes.h"
#include "jobs/WaveHeader.h"
#include "platform/CdDriveLibrary.h"
#include "platform/WindowMessages.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QElapsedTimer>
#include <QFile>

#include <sys/file.h>
#include <algorithm>

namespace {

int64_t Frames(const CDTOCEntry& entry) {
  return (int64_t{entry.Address[1]} * 60 + entry.Address[2]) * 75 + entry.Address[3];
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
  const TCommonOptions& options = OptionsSetting.CommonOptions;
  // A negative limit means none; zero is refused before a job starts.
  if (options.EnableRipTime && options.RipTime >= 0)
    length = std::min<int64_t>(length, int64_t{options.RipTime} * 75);
  ExtractionLoop(OutputPath(), length, start - origin);
}

void TCDRipThread::ExtractionLoop(const QString& path, int64_t length, int64_t firstSector) {
  if (!IsValidFileName(Title)) {
    PostEnd(kRipCannotCreate);
    return;
  }
  // Unbuffered, so a full disk shows at the write that hit it.
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

  QElapsedTimer clock;
  clock.start();
  TTrackBufferPtr buffer = NewTrackBuffer(kMaxSectorsPerRead);
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
      const auto* data = reinterpret_cast<const char*>(buffer->Data() + buffer->StartOffset);
      if (file.write(data, buffer->Len) != static_cast<qint64>(buffer->Len)) return writeFailed();
    } else {
      readFailed = true;
    }
    done += n;
    PostProgress(static_cast<int>(done * 100 / length), clock.elapsed() / 1000.0);
    if (readFailed) break;
    if (Stopped) break;
  }
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
  if (OptionsSetting.CommonOptions.IsNormalize &&
      !NormalizeFile(path, OptionsSetting.CommonOptions.NormalizePercent, NotifyWindow.data())) {
    PostEnd(kRipWriteFailed);
    return;
  }
  PostEnd(kRipDone);
}
