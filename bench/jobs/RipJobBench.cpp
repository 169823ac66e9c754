// The job runner's own overhead: the demo disc ripped to MP3 through the
// job runner window (offscreen), against the same work done without it in
// the same run: each track extracted by the extraction thread, then lame run
// directly on its WAV file with the same switches. One row in the common
// pair format (bench/BenchPairs.h): the two ways alternate over the rounds,
// medians kept, ratio direct / runner; the runner's overhead is 1 - ratio.
// Both ways start lame, so neither is timed marginally.
//
//   bench_rip_job [seconds (ignored: the demo disc is the input)] [rounds (5)]
#include "BenchPairs.h"
#include "CdTestDrives.h"
#include "DiscImage.h"
#include "MessageSink.h"
#include "encoders/Mp3EncodeProcess.h"
#include "encoders/WMAEncodeProcess.h"
#include "jobs/CDRipThread.h"
#include "jobs/JobKinds.h"
#include "jobs/RipForm.h"
#include "platform/CdDriveLibrary.h"
#include "platform/CdDrives.h"
#include "platform/ProgramFolder.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Every track's MP3 written, non-empty; removed for the next round.
bool TakeMp3s(const QStringList& entries, const QString& folder) {
  bool all = true;
  for (const QString& entry : entries) {
    const QString mp3 = folder + entry.mid(2) + ".mp3";
    all = all && QFileInfo(mp3).size() > 0;
    QFile::remove(mp3);
  }
  return all;
}

double ThroughTheRunner(int32_t handle, const QStringList& entries, const QString& folder) {
  TMp3EncodeProcess mp3;
  TWMAEncodeProcess wma;
  QElapsedTimer clock;
  clock.start();
  TRipForm form(nullptr, kJobRipTracks, handle, entries, &mp3, &wma);
  if (!form.Runner().Finished()) form.exec();
  const double ms = clock.nsecsElapsed() / 1e6;
  return TakeMp3s(entries, folder) ? ms : -1;
}

double Directly(int32_t handle, const QStringList& entries, const QString& folder) {
  QElapsedTimer clock;
  clock.start();
  TMessageSink sink;
  bool ok = true;
  for (const QString& entry : entries) {
    TCDRipThread thread(entry.left(2).toInt(), entry.mid(2));
    thread.CDHandle = handle;
    thread.NotifyWindow = &sink;
    thread.Resume();
    thread.WaitFor();
    const QString wav = folder + entry.mid(2) + ".wav";
    ok = ok && thread.Report.Status == kRipDone &&
         bench::RunProgram(
             "lame", {"--nohist", "-b", "128", "-m", "j", wav, folder + entry.mid(2) + ".mp3"});
  }
  // The runner removes the WAV files of an encoded rip too.
  for (const QString& entry : entries) QFile::remove(folder + entry.mid(2) + ".wav");
  const double ms = clock.nsecsElapsed() / 1e6;
  QCoreApplication::sendPostedEvents();
  return ok && TakeMp3s(entries, folder) ? ms : -1;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rounds = bench::RoundsArg(argc, argv, 2);
  QTemporaryDir dir;
  SetProgramFolder(dir.path());
  SetCdHardwareScan(false);
  QDir().mkpath(dir.path() + "/discs");
  QDir().mkpath(dir.path() + "/out");
  const QString folder = WithTrailingBackslash(dir.path() + "/out");
  OptionsSetting.CommonOptions.OutputFolder = dir.path() + "/out";
  OptionsSetting.CommonOptions.OutputFormat = 0;
  OptionsSetting.Mp3Options.BitRate = 128;
  OptionsSetting.Mp3Options.StereoMode = 1;

  const TDiscDescription disc = DemoDisc();
  QString error;
  if (!WriteDiscImage(disc, dir.path() + "/discs/Demo.cue", &error)) {
    std::fprintf(stderr, "cannot write the image: %s\n", qPrintable(error));
    return 1;
  }
  const int32_t handle = OpenDriveByProduct("Demo");
  if (!handle) {
    std::fprintf(stderr, "the image is not in the drive list\n");
    return 1;
  }
  QStringList entries;
  for (size_t i = 0; i < disc.Tracks.size(); ++i)
    entries << FormatTwoDigits(int(i) + 1) + QString("Track%1").arg(i + 1);

  std::printf("bench_rip_job: the demo disc (%d tracks) to MP3 at 128 kbit/s, %d rounds\n",
              int(disc.Tracks.size()), rounds);
  bench::PrintHeader();
  bench::PrintRow("demo disc to MP3 through the job runner", "thread + lame",
                  bench::MeasurePair(
                      rounds, [&] { return ThroughTheRunner(handle, entries, folder); },
                      [&] { return Directly(handle, entries, folder); }),
                  ">= 0.98");
  CloseCDHandle(handle);
  return 0;
}
