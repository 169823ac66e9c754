// Extraction of a track of a generated disc image (noise, so no read is
// cheap) through the extraction thread, in the common pair format
// (bench/BenchPairs.h):
//  - with single reads against dd copying the same bytes of the .bin into
//    a file, dd timed marginally;
//  - with secure reads against single reads of the same clean image, in the
//    same run: the ratio single / secure is what re-reading costs.
//
//   bench_extract [seconds-of-audio (60)] [rounds (5)]
#include "BenchPairs.h"
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
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using bench::RunProgram;

// The first sectors of an image's .bin as a file of their own.
bool CopyHead(const QString& from, const QString& to, qint64 bytes) {
  QFile in(from), out(to);
  if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) return false;
  const QByteArray head = in.read(bytes);
  return head.size() == bytes && out.write(head) == bytes;
}

// Rips track 1 with the given read mode; milliseconds, negative on failure.
double Rip(int32_t handle, bool secure) {
  OptionsSetting.CDOptions.SecureRead = secure;
  // Into a new file each time, as a rip does.
  QFile::remove(OptionsSetting.CommonOptions.OutputFolder + "/bench.wav");
  bench::SettleDisk();
  TMessageSink sink;
  QElapsedTimer clock;
  clock.start();
  TCDRipThread thread(1, "bench");
  thread.CDHandle = handle;
  thread.NotifyWindow = &sink;
  thread.Resume();
  thread.WaitFor();
  const double ms = clock.nsecsElapsed() / 1e6;
  // The progress messages go to the sink, outside the timed part.
  QCoreApplication::sendPostedEvents();
  return thread.Report.Status == kRipDone ? ms : -1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  const int rounds = bench::RoundsArg(argc, argv, 2);
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
  const QString bin = dir.path() + "/discs/Bench.bin", tiny = dir.path() + "/tiny.bin";
  QString error;
  if (!WriteDiscImage(disc, dir.path() + "/discs/Bench.cue", &error) ||
      !CopyHead(bin, tiny, qint64{SecondsToSectors(0.2)} * kRawSectorBytes)) {
    std::fprintf(stderr, "cannot write the image: %s\n", qPrintable(error));
    return 1;
  }
  const int32_t handle = OpenDriveByProduct("Bench");
  if (!handle) {
    std::fprintf(stderr, "the image is not in the drive list\n");
    return 1;
  }
  // Warm the page cache so both sides read from memory.
  if (!RunProgram("cat", {bin})) return 1;

  std::printf("bench_extract: a track of %d s of noise (%.1f MB), %d rounds\n", seconds,
              track.Sectors * kRawSectorBytes / 1e6, rounds);
  bench::PrintHeader();
  // dd into a new file each time too, one for each input.
  auto dd = [&](const QString& from, const QString& to) -> bench::TJob {
    return [=] {
      QFile::remove(to);
      bench::SettleDisk();
      return bench::Timed([&] {
        return RunProgram("dd", {"if=" + from, "of=" + to, "bs=23520", "status=none"});
      })();
    };
  };
  const QString out = dir.path() + "/out/";
  bench::PrintRow("extract track, single reads", "dd",
                  bench::MeasurePair(
                      rounds, [&] { return Rip(handle, false); }, dd(bin, out + "dd.raw"),
                      dd(tiny, out + "tiny.raw")),
                  ">= 0.5");
  bench::PrintRow(
      "extract track, secure reads", "single reads",
      bench::MeasurePair(
          rounds, [&] { return Rip(handle, true); }, [&] { return Rip(handle, false); }),
      ">= 0.5");
  CloseCDHandle(handle);
  return 0;
}
