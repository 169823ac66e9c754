// WMA encoding: the project's trackwell-wmaenc (wmav2 in ASF, as the WMA
// runner starts it) against ffmpeg's own wmav2 encoder on the same WAV at the
// same bit rate, in the common pair format (bench/BenchPairs.h). Both are
// programs of their own, so both are timed marginally: each one's time on a
// 0.2 s WAV is subtracted from its time on the input.
//
//   bench_wma [seconds-of-audio (60)] [rounds (5)]
#include "BenchPairs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  const int rounds = bench::RoundsArg(argc, argv, 2);
  const QString encoder = QStringLiteral(TW_WMAENC_PATH);
  if (!QFileInfo(encoder).isExecutable()) {
    std::fprintf(stderr, "%s is not built\n", qPrintable(encoder));
    return 1;
  }
  QTemporaryDir dir;
  auto path = [&](const QString& name) { return dir.path() + "/" + name; };
  auto synth = [&](const QString& name, const QString& length) {
    return bench::RunProgram("sox", {"-r", "44100", "-c", "2", "-n", "-b", "16", path(name),
                                     "synth", length, "sine", "440", "sine", "3100", "gain", "-6"});
  };
  if (!synth("in.wav", QString::number(seconds)) || !synth("tiny.wav", "0.2")) return 1;
  std::printf("bench_wma: %d s of 16-bit stereo 44100 Hz to WMA at 128 kbit/s, %d rounds\n",
              seconds, rounds);
  bench::PrintHeader();

  auto ours = [&](const QString& from, const QString& to) {
    return bench::Timed([=] {
      return bench::RunProgram(encoder, {"-input", from, "-output", to, "-a_setting", "128_44_2"});
    });
  };
  auto ffmpeg = [&](const QString& from, const QString& to) {
    return bench::Timed([=] {
      return bench::RunProgram(
          "ffmpeg", {"-v", "error", "-y", "-i", from, "-c:a", "wmav2", "-b:a", "128k", to});
    });
  };
  bench::PrintRow("WMA encode 128 kbit/s (trackwell-wmaenc)", "ffmpeg wmav2",
                  bench::MeasurePair(rounds, ours(path("in.wav"), path("ours.wma")),
                                     ffmpeg(path("in.wav"), path("ff.wma")),
                                     ffmpeg(path("tiny.wav"), path("fftiny.wma")),
                                     ours(path("tiny.wav"), path("tiny.wma"))));
  return 0;
}
