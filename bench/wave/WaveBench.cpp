// Times the WAV paths against peer tools doing the same work on the same
// file in the same run, and prints each as a ratio (ours / peer; below 1
// means faster). Usage: bench_wave [seconds of audio, default 120]
#include "acs/ACSWave.h"
#include "jobs/Normalizer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>

namespace {

bool Run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  return p.waitForFinished(600000) && p.exitCode() == 0;
}

// Milliseconds of the best of three runs.
template <typename F>
double Best(F f) {
  double best = 1e30;
  for (int i = 0; i < 3; ++i) {
    QElapsedTimer t;
    t.start();
    if (!f()) return -1;
    best = std::min(best, t.nsecsElapsed() / 1e6);
  }
  return best;
}

bool Chain(const QString& from, const QString& to, TWavType type) {
  TWaveIn in;
  in.SetFileName(from);
  TWaveOut out;
  out.SetInput(&in);
  out.SetWavType(type);
  out.SetFileName(to);
  std::atomic<bool> done{false};
  out.OnDone = [&](QObject*) { done = true; };
  out.OnThreadException = [&](QObject*, const std::exception&) { done = true; };
  out.Run();
  while (!done) std::this_thread::sleep_for(std::chrono::microseconds(200));
  while (out.Status() != osIdle) std::this_thread::yield();
  return true;
}

void Report(const char* name, double ours, double peer, const char* peerName) {
  if (ours < 0 || peer < 0) {
    std::printf("%-22s failed\n", name);
    return;
  }
  std::printf("%-22s ours %8.1f ms   %-7s %8.1f ms   ratio %.2f\n", name, ours, peerName, peer,
              ours / peer);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 120;
  QTemporaryDir dir;
  const QString src = dir.filePath("src.wav");
  {
    const int frames = 44100 * seconds;
    QByteArray data(frames * 4, 0);
    auto* p = reinterpret_cast<uint8_t*>(data.data());
    for (int i = 0; i < frames; ++i)
      for (int c = 0; c < 2; ++c)
        PutLE16(p + 4 * i + 2 * c,
                uint16_t(int16_t(12000 * std::sin(2 * M_PI * (440 + 110 * c) * i / 44100.0))));
    QFile f(src);
    if (!f.open(QIODevice::WriteOnly)) return 1;
    f.write(PcmWaveHeader(2, 44100, 16, uint32_t(data.size())) + data);
  }
  std::printf("%d s of 16-bit stereo 44100 Hz (%.1f MB)\n", seconds, seconds * 176400 / 1e6);
  const QString ffmpeg = "ffmpeg", sox = "sox";
  const QStringList quiet = {"-v", "error", "-y", "-i"};

  Report("WAV copy (read+write)", Best([&] { return Chain(src, dir.filePath("a.wav"), wtPCM); }),
         Best([&] {
           return Run(sox, {src, dir.filePath("b.wav")});
         }),
         "sox");
  Report("IMA encode", Best([&] { return Chain(src, dir.filePath("ima.wav"), wtDVIADPCM); }),
         Best([&] {
           return Run(ffmpeg,
                      quiet + QStringList{src, "-c:a", "adpcm_ima_wav", dir.filePath("ffima.wav")});
         }),
         "ffmpeg");
  Report("IMA decode",
         Best([&] { return Chain(dir.filePath("ima.wav"), dir.filePath("dec.wav"), wtPCM); }),
         Best([&] {
           return Run(ffmpeg, quiet + QStringList{dir.filePath("ima.wav"), "-c:a", "pcm_s16le",
                                                  dir.filePath("ffdec.wav")});
         }),
         "ffmpeg");
  Report("normalise 50 %", Best([&] {
           QFile::remove(dir.filePath("n.wav"));
           QFile::copy(src, dir.filePath("n.wav"));
           return NormalizeFile(dir.filePath("n.wav"), 50, nullptr);
         }),
         Best([&] {
           QFile::remove(dir.filePath("n.wav"));
           QFile::copy(src, dir.filePath("n.wav"));
           return Run(sox, {"-v", "0.5", dir.filePath("n.wav"), dir.filePath("s.wav")});
         }),
         "sox");
  return 0;
}
