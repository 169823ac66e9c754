// Times the Ogg player's whole chain (TVorbisIn -> TSoundIndicator ->
// TStereoBalance -> TAudioOut) on ALSA's null device, with no pacing,
// against oggdec decoding the same file to /dev/null in the same run; both
// as times real time, and their ratio (above 1: the chain is faster).
// Usage: bench_player [seconds of audio, default 120]
#include "tools/OggPlayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <thread>

#include <sys/resource.h>

namespace {

bool Run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Seconds of the best of three runs; negative when a run failed.
template <typename F>
double Best(F f) {
  double best = 1e30;
  for (int i = 0; i < 3; ++i) {
    QElapsedTimer t;
    t.start();
    if (!f()) return -1;
    best = std::min(best, t.nsecsElapsed() / 1e9);
  }
  return best;
}

bool PlayChain(TOggPlayer& player, const QString& ogg) {
  player.AudioOut1.SetDelay(0);  // no pacing: as fast as the chain goes
  bool failed = false;
  player.AudioOut1.OnThreadException = [&](QObject*, const std::exception& e) {
    std::fprintf(stderr, "chain: %s\n", e.what());
    failed = true;
  };
  player.VorbisIn1.SetFileName(ogg);
  player.AudioOut1.Run();
  while (player.AudioOut1.Status() != osIdle)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  return !failed;
}

// CPU seconds this process has used, all threads.
double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 120;
  QTemporaryDir dir;
  const QString conf = dir.path() + "/asound.conf";
  QFile f(conf);
  if (!f.open(QIODevice::WriteOnly)) return 1;
  f.write("pcm.!default { type null }\n");
  f.close();
  // Before the first ALSA call: the device list is taken once.
  qputenv("ALSA_CONFIG_PATH", QFile::encodeName(conf));

  const QString wav = dir.path() + "/in.wav", ogg = dir.path() + "/in.ogg";
  if (!Run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth",
                   QString::number(seconds), "sine", "440", "sine", "1500", "gain", "-3"}) ||
      !Run("oggenc", {"-Q", "-q", "3", "-o", ogg, wav})) {
    std::fprintf(stderr, "sox and oggenc are needed to make the input\n");
    return 1;
  }
  TOggPlayer player;
  const double ours = Best([&] { return PlayChain(player, ogg); });
  const double peer = Best([&] { return Run("oggdec", {"-Q", "-o", "/dev/null", ogg}); });
  if (ours < 0 || peer < 0) {
    std::printf("player chain           failed\n");
    return 1;
  }
  std::printf("player chain (%d s)  ours %7.1fx real time   oggdec %7.1fx real time   ratio %.2f\n",
              seconds, seconds / ours, seconds / peer, peer / ours);
  // Paced playback only adds waiting to the same work, so the CPU time the
  // whole chain takes per second of audio is its share of a core when it
  // plays in real time.
  const double cpuBefore = CpuSeconds();
  if (!PlayChain(player, ogg)) return 1;
  const double share = (CpuSeconds() - cpuBefore) / seconds * 100;
  std::printf("playing at real time   %.2f %% of one core (target: under 3 %%)\n", share);
  return 0;
}
