// The job runner's own overhead: the demo disc ripped to MP3 through the
// job runner window (offscreen), against the same work done without it in
// the same run: each track extracted by the extraction thread, then lame run
// directly on its WAV file with the same switches. The two ways alternate,
// and the ratio of each pair is taken; the median ratio is printed (a shared
// machine's noise moves single rounds by several percent either way).
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
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double ThroughTheRunner(int32_t handle, const QStringList& entries) {
  TMp3EncodeProcess mp3;
  TWMAEncodeProcess wma;
  QElapsedTimer clock;
  clock.start();
  TRipForm form(nullptr, kJobRipTracks, handle, entries, &mp3, &wma);
  if (!form.Runner().Finished()) form.exec();
  return clock.nsecsElapsed() / 1e9;
}

double Directly(int32_t handle, const QStringList& entries, const QString& folder) {
  QElapsedTimer clock;
  clock.start();
  TMessageSink sink;
  for (const QString& entry : entries) {
    TCDRipThread thread(entry.left(2).toInt(), entry.mid(2));
    thread.CDHandle = handle;
    thread.NotifyWindow = &sink;
    thread.Resume();
    thread.WaitFor();
    const QString wav = folder + entry.mid(2) + ".wav";
    QProcess::execute("lame",
                      {"--nohist", "-b", "128", "-m", "j", wav, folder + entry.mid(2) + ".mp3"});
  }
  for (const QString& entry : entries) QFile::remove(folder + entry.mid(2) + ".wav");
  return clock.nsecsElapsed() / 1e9;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
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

  std::vector<double> runner, direct, ratios;
  for (int r = 0; r < rounds; ++r) {
    // Alternate which way goes first, so neither always gets a warm start.
    const bool runnerFirst = r % 2 == 1;
    if (runnerFirst) runner.push_back(ThroughTheRunner(handle, entries));
    direct.push_back(Directly(handle, entries, folder));
    if (!runnerFirst) runner.push_back(ThroughTheRunner(handle, entries));
    ratios.push_back(runner.back() / direct.back());
  }
  CloseCDHandle(handle);
  const double ratio = Median(ratios);
  std::printf(
      "demo disc to MP3, %d rounds: job runner %.2f s, extraction + lame %.2f s "
      "(medians); median ratio %.3f (overhead %.1f %%)\n",
      rounds, Median(runner), Median(direct), ratio, (ratio - 1.0) * 100.0);
  return 0;
}
