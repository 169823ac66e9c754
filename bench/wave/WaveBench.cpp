// The WAV paths against peer tools on the same file (bench/BenchPairs.h):
// a plain WAV copy, IMA ADPCM encode and decode, and the normaliser.
//
//   bench_wave [seconds-of-audio (60)] [rounds (5)]
#include "BenchPairs.h"
#include "acs/ACSWave.h"
#include "jobs/Normalizer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>

namespace {

using bench::RunProgram;
using bench::Timed;

bool Chain(const QString& from, const QString& to, TWavType type) {
  TWaveIn in;
  in.SetFileName(from);
  TWaveOut out;
  out.SetInput(&in);
  out.SetWavType(type);
  out.SetFileName(to);
  std::atomic<bool> done{false}, failed{false};
  out.OnDone = [&](QObject*) { done = true; };
  out.OnThreadException = [&](QObject*, const std::exception&) { failed = done = true; };
  out.Run();
  while (!done) std::this_thread::sleep_for(std::chrono::microseconds(200));
  while (out.Status() != osIdle) std::this_thread::yield();
  return !failed;
}

bool WriteSource(const QString& path, double seconds) {
  const int frames = int(44100 * seconds);
  QByteArray data(frames * 4, 0);
  auto* p = reinterpret_cast<uint8_t*>(data.data());
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < 2; ++c)
      PutLE16(p + 4 * i + 2 * c,
              uint16_t(int16_t(12000 * std::sin(2 * M_PI * (440 + 110 * c) * i / 44100.0))));
  QFile f(path);
  return f.open(QIODevice::WriteOnly) &&
         f.write(PcmWaveHeader(2, 44100, 16, uint32_t(data.size())) + data) > 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
  const int rounds = bench::RoundsArg(argc, argv, 2);
  QTemporaryDir dir;
  const QString src = dir.filePath("src.wav"), tiny = dir.filePath("tiny.wav");
  if (!WriteSource(src, seconds) || !WriteSource(tiny, 0.2)) return 1;
  std::printf("bench_wave: %d s of 16-bit stereo 44100 Hz (%.1f MB), %d rounds\n", seconds,
              seconds * 176400 / 1e6, rounds);
  bench::PrintHeader();

  auto sox = [&](QStringList args) { return Timed([=] { return RunProgram("sox", args); }); };
  auto ffmpeg = [&](const QString& from, const QStringList& rest) {
    return Timed([=] {
      return RunProgram("ffmpeg", QStringList{"-v", "error", "-y", "-i", from} + rest);
    });
  };

  bench::PrintRow(
      "WAV copy (read + write)", "sox",
      bench::MeasurePair(rounds, Timed([&] { return Chain(src, dir.filePath("a.wav"), wtPCM); }),
                         sox({src, dir.filePath("b.wav")}), sox({tiny, dir.filePath("bt.wav")})));
  bench::PrintRow(
      "IMA ADPCM encode", "ffmpeg",
      bench::MeasurePair(rounds,
                         Timed([&] { return Chain(src, dir.filePath("ima.wav"), wtDVIADPCM); }),
                         ffmpeg(src, {"-c:a", "adpcm_ima_wav", dir.filePath("ffima.wav")}),
                         ffmpeg(tiny, {"-c:a", "adpcm_ima_wav", dir.filePath("ffimat.wav")})));
  if (!Chain(tiny, dir.filePath("imatiny.wav"), wtDVIADPCM)) return 1;
  bench::PrintRow(
      "IMA ADPCM decode", "ffmpeg",
      bench::MeasurePair(
          rounds,
          Timed([&] { return Chain(dir.filePath("ima.wav"), dir.filePath("dec.wav"), wtPCM); }),
          ffmpeg(dir.filePath("ima.wav"), {"-c:a", "pcm_s16le", dir.filePath("ffdec.wav")}),
          ffmpeg(dir.filePath("imatiny.wav"), {"-c:a", "pcm_s16le", dir.filePath("ffdect.wav")})));

  // The normaliser replaces its input, so each round starts from a fresh
  // copy, made outside the timed part.
  const QString work = dir.filePath("n.wav");
  const bench::TJob normalise = [&] {
    QFile::remove(work);
    if (!QFile::copy(src, work)) return -1.0;
    QElapsedTimer clock;
    clock.start();
    if (!NormalizeFile(work, 50, nullptr)) return -1.0;
    return clock.nsecsElapsed() / 1e6;
  };
  bench::PrintRow(
      "normalise 50 %", "sox -D vol 0.5",
      bench::MeasurePair(rounds, normalise, sox({"-D", src, dir.filePath("s.wav"), "vol", "0.5"}),
                         sox({"-D", tiny, dir.filePath("st.wav"), "vol", "0.5"})));
  return 0;
}
