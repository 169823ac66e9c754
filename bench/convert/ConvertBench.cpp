// Throughput of the rate converter (as the job runner sets it up: Blackman
// window, 30 taps) and of the Ogg Vorbis writer and reader, file to file,
// each against a peer tool on the same file (bench/BenchPairs.h).
//
//   bench_convert [seconds-of-audio (60)] [rounds (5)]
//
// The resampling rows take three times the rounds, at least 15 (see
// below). Every timed job starts with its output file removed.

#include "BenchPairs.h"
#include "acs/ACSConverters.h"
#include "acs/ACSVorbis.h"
#include "acs/ACSWave.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace {

using bench::RunProgram;
using bench::Timed;

// Waits for the chain's end on its events rather than polling, so the
// waiting thread takes no time slices from the worker it measures.
bool RunChain(TACSOutput& out) {
  std::mutex lock;
  std::condition_variable ended;
  bool finished = false, failed = false;
  auto finish = [&](bool failure) {
    std::lock_guard guard(lock);
    failed = failed || failure;
    finished = true;
    ended.notify_one();
  };
  out.OnDone = [&](QObject*) { finish(false); };
  out.OnThreadException = [&](QObject*, const std::exception& e) {
    std::fprintf(stderr, "failed: %s\n", e.what());
    finish(true);
  };
  out.Run();
  {
    std::unique_lock guard(lock);
    ended.wait(guard, [&] { return finished; });
  }
  while (out.Status() != osIdle) QThread::yieldCurrentThread();
  return !failed;
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

bool Resample(const QString& src, const QString& dst, int rate) {
  TWaveIn in;
  in.SetFileName(src);
  TRateConverter conv;
  conv.SetOutSampleRate(rate);
  conv.SetKernelWidth(30);
  conv.SetFilterWindow(fwBlackman);
  conv.SetInput(&in);
  TWaveOut out;
  out.SetFileName(dst);
  out.SetInput(&conv);
  return RunChain(out);
}

bool Synth(const QString& path, int rate, const QString& seconds) {
  return RunProgram("sox", {"-r", QString::number(rate), "-c", "2", "-n", "-b", "16", path, "synth",
                            seconds, "sine", "440", "sine", "3100", "gain", "-6"});
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  const int rounds = bench::RoundsArg(argc, argv, 2);
  QTemporaryDir dir;
  auto path = [&](const QString& name) { return dir.path() + "/" + name; };
  for (int rate : {11025, 22050, 44100}) {
    const QString r = QString::number(rate);
    if (!Synth(path("in" + r + ".wav"), rate, QString::number(seconds)) ||
        !Synth(path("tiny" + r + ".wav"), rate, "0.2"))
      return 1;
  }
  std::printf("bench_convert: %d s of 16-bit stereo, %d rounds\n", seconds, rounds);
  bench::PrintHeader();

  auto ffmpeg = [&](const QString& from, const QString& to, const QStringList& extra) {
    return Timed([=] {
      return RunProgram("ffmpeg",
                        QStringList{"-v", "error", "-y", "-i", from} + extra + QStringList{to});
    });
  };
  // The peers' marginal times for resampling are a few tens of ms against
  // start-ups of about 60 to 90 ms that vary by tens of ms from run to run
  // on a shared machine: three times the rounds keep the difference of the
  // medians steady.
  const int resampleRounds = std::max(15, 3 * rounds);
  struct Rates {
    int from, to;
  };
  for (Rates r : {Rates{22050, 44100}, Rates{11025, 44100}, Rates{44100, 22050}}) {
    const QString in = path("in" + QString::number(r.from) + ".wav");
    const QString tiny = path("tiny" + QString::number(r.from) + ".wav");
    const QStringList ar = {"-ar", QString::number(r.to)};
    const QByteArray name = QString("resample %1 -> %2").arg(r.from).arg(r.to).toUtf8();
    const auto ours =
        Fresh(path("ours.wav"), Timed([&] { return Resample(in, path("ours.wav"), r.to); }));
    bench::PrintRow(name.constData(), "ffmpeg",
                    bench::MeasurePair(
                        resampleRounds, ours, Fresh(path("ff.wav"), ffmpeg(in, path("ff.wav"), ar)),
                        Fresh(path("fftiny.wav"), ffmpeg(tiny, path("fftiny.wav"), ar))),
                    r.to == 44100 ? ">= 1.0" : "");
    if (r.from == 22050) {
      auto sox = [&](const QString& from, const QString& to) {
        return Timed([=] { return RunProgram("sox", {from, "-r", QString::number(r.to), to}); });
      };
      bench::PrintRow(
          name.constData(), "sox",
          bench::MeasurePair(resampleRounds, ours, Fresh(path("sox.wav"), sox(in, path("sox.wav"))),
                             Fresh(path("soxtiny.wav"), sox(tiny, path("soxtiny.wav")))));
    }
  }

  auto encode = [&](const QString& from, const QString& to) {
    return Timed([=] {
      TWaveIn in;
      in.SetFileName(from);
      TVorbisOut out;
      out.SetFileName(to);
      out.SetCompression(0.4f);
      out.SetInput(&in);
      return RunChain(out);
    });
  };
  auto oggenc = [&](const QString& from, const QString& to) {
    return Timed([=] { return RunProgram("oggenc", {"-Q", "-q", "4", "-o", to, from}); });
  };
  bench::PrintRow(
      "vorbis encode q4 (44100 Hz)", "oggenc",
      bench::MeasurePair(rounds,
                         Fresh(path("ours.ogg"), encode(path("in44100.wav"), path("ours.ogg"))),
                         Fresh(path("peer.ogg"), oggenc(path("in44100.wav"), path("peer.ogg"))),
                         Fresh(path("tiny.ogg"), oggenc(path("tiny44100.wav"), path("tiny.ogg")))));

  auto decode = Timed([&] {
    TVorbisIn in;
    in.SetFileName(path("peer.ogg"));
    TWaveOut out;
    out.SetFileName(path("dec.wav"));
    out.SetInput(&in);
    return RunChain(out);
  });
  auto oggdec = [&](const QString& from, const QString& to) {
    return Timed([=] { return RunProgram("oggdec", {"-Q", "-o", to, from}); });
  };
  bench::PrintRow(
      "vorbis decode (44100 Hz)", "oggdec",
      bench::MeasurePair(rounds, Fresh(path("dec.wav"), decode),
                         Fresh(path("peer.wav"), oggdec(path("peer.ogg"), path("peer.wav"))),
                         Fresh(path("tinydec.wav"), oggdec(path("tiny.ogg"), path("tinydec.wav")))),
      ">= 1.0");
  return 0;
}
