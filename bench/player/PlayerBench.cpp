// Times the Ogg player's whole chain (TVorbisIn -> TSoundIndicator ->
// TStereoBalance -> TAudioOut) on ALSA's null device, with no pacing,
// against oggdec decoding the same file to /dev/null in the same run, in the
// common pair format (bench/BenchPairs.h), oggdec timed marginally. After the
// table, the share of one core that playing at real time takes.
//
//   bench_player [seconds-of-audio (60)] [rounds (5)]
#include "BenchPairs.h"
#include "tools/OggPlayer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <thread>

#include <sys/resource.h>

namespace {

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
  const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
  const int rounds = bench::RoundsArg(argc, argv, 2);
  QTemporaryDir dir;
  const QString conf = dir.path() + "/asound.conf";
  QFile f(conf);
  if (!f.open(QIODevice::WriteOnly)) return 1;
  f.write("pcm.!default { type null }\n");
  f.close();
  // Before the first ALSA call: the device list is taken once.
  qputenv("ALSA_CONFIG_PATH", QFile::encodeName(conf));

  using bench::RunProgram;
  auto make = [&](const QString& name, const QString& length) {
    const QString wav = dir.path() + "/" + name + ".wav", ogg = dir.path() + "/" + name + ".ogg";
    return RunProgram("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", length,
                              "sine", "440", "sine", "1500", "gain", "-3"}) &&
           RunProgram("oggenc", {"-Q", "-q", "3", "-o", ogg, wav});
  };
  if (!make("in", QString::number(seconds)) || !make("tiny", "0.2")) {
    std::fprintf(stderr, "sox and oggenc are needed to make the input\n");
    return 1;
  }
  const QString ogg = dir.path() + "/in.ogg";
  TOggPlayer player;
  auto oggdec = [&](const QString& from) {
    return bench::Timed([=] { return RunProgram("oggdec", {"-Q", "-o", "/dev/null", from}); });
  };
  std::printf("bench_player: %d s of Ogg Vorbis q3, %d rounds\n", seconds, rounds);
  bench::PrintHeader();
  bench::PrintRow("Ogg player chain, unpaced", "oggdec",
                  bench::MeasurePair(rounds, bench::Timed([&] { return PlayChain(player, ogg); }),
                                     oggdec(ogg), oggdec(dir.path() + "/tiny.ogg")));
  // Paced playback only adds waiting to the same work, so the CPU time the
  // whole chain takes per second of audio is its share of a core when it
  // plays in real time.
  const double cpuBefore = CpuSeconds();
  if (!PlayChain(player, ogg)) return 1;
  const double share = (CpuSeconds() - cpuBefore) / seconds * 100;
  std::printf("playing at real time   %.2f %% of one core (target: under 3 %%)\n", share);
  return 0;
}
