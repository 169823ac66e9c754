// The WAV paths against peer tools on the same file (bench/BenchPairs.h):
// a plain WAV copy, IMA ADPCM encode and decode, MS ADPCM decode and the
// normaliser.
//
//   bench_wave [seconds-of-audio (60)] [rounds (5)]
//
// Every timed job starts with its output file removed.
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

// A job whose output file is removed first, outside the timed part: the
// previous round's output is not truncated inside it, which on a file
// system that discards freed blocks at once costs a varying few ms.
bench::TJob Fresh(const QString& output, bench::TJob job) {
  return [output, job = std::move(job)] {
    QFile::remove(output);
    bench::SettleDisk();
    return job();
  };
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
  // ffmpeg's start-up (130-190 ms here, swinging by tens of ms) dwarfs its
  // marginal time of 20-30 ms: its rows take three times the rounds, at
  // least 15, as the resampling rows do.
  const int ffmpegRounds = std::max(15, 3 * rounds);
  bench::PrintHeader();

  auto sox = [&](QStringList args) { return Timed([=] { return RunProgram("sox", args); }); };
  auto ffmpeg = [&](const QString& from, const QStringList& rest) {
    return Timed([=] {
      return RunProgram("ffmpeg", QStringList{"-v", "error", "-y", "-i", from} + rest);
    });
  };

  auto out = [&](const QString& name) { return dir.filePath(name); };
  bench::PrintRow(
      "WAV copy (read + write)", "sox",
      bench::MeasurePair(
          rounds, Fresh(out("a.wav"), Timed([&] { return Chain(src, out("a.wav"), wtPCM); })),
          Fresh(out("b.wav"), sox({src, out("b.wav")})),
          Fresh(out("bt.wav"), sox({tiny, out("bt.wav")}))));
  bench::PrintRow(
      "IMA ADPCM encode", "ffmpeg",
      bench::MeasurePair(
          ffmpegRounds,
          Fresh(out("ima.wav"), Timed([&] { return Chain(src, out("ima.wav"), wtDVIADPCM); })),
          Fresh(out("ffima.wav"), ffmpeg(src, {"-c:a", "adpcm_ima_wav", out("ffima.wav")})),
          Fresh(out("ffimat.wav"), ffmpeg(tiny, {"-c:a", "adpcm_ima_wav", out("ffimat.wav")}))),
      ">= 1.0");
  if (!Chain(tiny, out("imatiny.wav"), wtDVIADPCM)) return 1;
  bench::PrintRow(
      "IMA ADPCM decode", "ffmpeg",
      bench::MeasurePair(
          ffmpegRounds, Fresh(out("dec.wav"), Timed([&] {
                                return Chain(out("ima.wav"), out("dec.wav"), wtPCM);
                              })),
          Fresh(out("ffdec.wav"), ffmpeg(out("ima.wav"), {"-c:a", "pcm_s16le", out("ffdec.wav")})),
          Fresh(out("ffdect.wav"),
                ffmpeg(out("imatiny.wav"), {"-c:a", "pcm_s16le", out("ffdect.wav")}))),
      ">= 1.0");

  // MS ADPCM has no encoder here: ffmpeg makes the input once, untimed.
  if (!RunProgram("ffmpeg", {"-v", "error", "-y", "-i", src, "-c:a", "adpcm_ms", out("ms.wav")}) ||
      !RunProgram("ffmpeg", {"-v", "error", "-y", "-i", tiny, "-c:a", "adpcm_ms", out("mst.wav")}))
    return 1;
  bench::PrintRow(
      "MS ADPCM decode", "ffmpeg",
      bench::MeasurePair(
          ffmpegRounds, Fresh(out("msdec.wav"), Timed([&] {
                                return Chain(out("ms.wav"), out("msdec.wav"), wtPCM);
                              })),
          Fresh(out("ffms.wav"), ffmpeg(out("ms.wav"), {"-c:a", "pcm_s16le", out("ffms.wav")})),
          Fresh(out("ffmst.wav"), ffmpeg(out("mst.wav"), {"-c:a", "pcm_s16le", out("ffmst.wav")}))),
      ">= 1.0");

  // The normaliser replaces its input, so each round starts from a fresh
  // copy, made outside the timed part. It is written as the ripper writes
  // a track just before normalising it: plainly, not synced (a copy that
  // is synced has its blocks on the disk, and replacing it then waits for
  // their discard, which a freshly ripped track does not).
  const QString work = dir.filePath("n.wav");
  QByteArray source;
  {
    QFile f(src);
    if (!f.open(QIODevice::ReadOnly)) return 1;
    source = f.readAll();
  }
  const bench::TJob normalise = [&] {
    QFile::remove(work);
    QFile copy(work);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(source) != source.size()) return -1.0;
    copy.close();
    QElapsedTimer clock;
    clock.start();
    if (!NormalizeFile(work, 50, nullptr)) return -1.0;
    return clock.nsecsElapsed() / 1e6;
  };
  bench::PrintRow(
      "normalise 50 %", "sox -D vol 0.5",
      bench::MeasurePair(rounds, normalise,
                         Fresh(out("s.wav"), sox({"-D", src, out("s.wav"), "vol", "0.5"})),
                         Fresh(out("st.wav"), sox({"-D", tiny, out("st.wav"), "vol", "0.5"}))),
      ">= 2.0");
  return 0;
}
