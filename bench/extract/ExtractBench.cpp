// Extraction throughput: a track of a generated disc image ripped through
// the extraction thread, against dd copying the same bytes of the .bin into
// a file, in the same run. Prints sectors per second for both and the ratio.
#include "CdTestDrives.h"
#include "DiscImage.h"
#include "MessageSink.h"
#include "jobs/CDRipThread.h"
#include "platform/CdDriveLibrary.h"
#include "platform/ProgramFolder.h"
#include "settings/OptionsSetting.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 300;
  QTemporaryDir dir;
  SetProgramFolder(dir.path());
  QDir().mkpath(dir.path() + "/discs");
  QDir().mkpath(dir.path() + "/out");
  OptionsSetting.CommonOptions.OutputFolder = dir.path() + "/out";

  TDiscDescription disc;
  TTrackDescription track;
  track.Sectors = SecondsToSectors(seconds);
  track.Content = TTrackContent::Noise;
  disc.Tracks = {track};
  QString error;
  if (!WriteDiscImage(disc, dir.path() + "/discs/Bench.cue", &error)) {
    std::fprintf(stderr, "cannot write the image: %s\n", qPrintable(error));
    return 1;
  }
  const int32_t handle = OpenDriveByProduct("Bench");
  if (!handle) {
    std::fprintf(stderr, "the image is not in the drive list\n");
    return 1;
  }
  const double sectors = static_cast<double>(track.Sectors);

  // Warm the page cache so both sides read from memory.
  {
    QProcess warm;
    warm.setStandardOutputFile(QProcess::nullDevice());
    warm.start("cat", {dir.path() + "/discs/Bench.bin"});
    warm.waitForFinished(-1);
  }

  TMessageSink sink;
  QElapsedTimer clock;
  clock.start();
  {
    TCDRipThread thread(1, "bench");
    thread.CDHandle = handle;
    thread.NotifyWindow = &sink;
    thread.Resume();
    thread.WaitFor();
  }
  const double ours = sectors / (clock.nsecsElapsed() / 1e9);
  QCoreApplication::processEvents();

  clock.restart();
  QProcess::execute("dd", {"if=" + dir.path() + "/discs/Bench.bin",
                           "of=" + dir.path() + "/out/dd.raw", "bs=23520", "status=none"});
  const double dd = sectors / (clock.nsecsElapsed() / 1e9);

  CloseCDHandle(handle);
  std::printf("extraction: %.0f sectors/s, dd: %.0f sectors/s, ratio %.2f\n", ours, dd, ours / dd);
  return 0;
}
