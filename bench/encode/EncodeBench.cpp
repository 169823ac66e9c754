// Encodes ten generated WAV files to MP3 through TMp3EncodeProcess and with
// lame started directly (same switches, same files), in the common pair
// format (bench/BenchPairs.h): ratio direct / runner, so 1 - ratio is what
// the runner, its monitor and the parsing cost. Both ways start lame, so
// neither is timed marginally.
//   tw_bench_encode [seconds-of-audio, over the ten files (60)] [rounds (5)]
#include "BenchPairs.h"
#include "encoders/Mp3EncodeProcess.h"
#include "platform/ProgramFolder.h"
#include "platform/WindowMessages.h"
#include "settings/OptionsSetting.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

bool WriteWav(const QString& path, double seconds) {
  const int rate = 44100, channels = 2;
  const auto frames = static_cast<uint32_t>(rate * seconds);
  const uint32_t dataBytes = frames * channels * 2;
  QByteArray b;
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  auto u16 = [&](uint16_t v) {
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>(v >> 8));
  };
  b.append("RIFF");
  u32(36 + dataBytes);
  b.append("WAVEfmt ");
  u32(16);
  u16(1);
  u16(channels);
  u32(rate);
  u32(rate * channels * 2);
  u16(channels * 2);
  u16(16);
  b.append("data");
  u32(dataBytes);
  for (uint32_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      u16(static_cast<uint16_t>(
          static_cast<int16_t>(10000 * std::sin(2 * M_PI * 440.0 * (c + 1) * i / rate))));
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(b) == b.size();
}

// Counts the runner's end-of-job messages.
class TEndCounter : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() != TWindowMessage::TypeFor(WM_PROCESS_INFO)) return QObject::event(e);
    const TProcessInfo* info = static_cast<TWindowMessage*>(e)->Info();
    if (info && info->Code == 2000) {
      ++Ends;
      LastStatus = info->Status;
      if (Loop) Loop->quit();
    } else if (info) {
      ++Progress;
    }
    return true;
  }
  int Ends = 0;
  int Progress = 0;
  int LastStatus = -1;
  QEventLoop* Loop = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  constexpr int kFiles = 10;
  const double seconds = (argc > 1 ? std::max(1.0, std::atof(argv[1])) : 60.0) / kFiles;
  const int rounds = bench::RoundsArg(argc, argv, 2);
  QTemporaryDir dir;
  SetProgramFolder(dir.path());
  OptionsSetting.Mp3Options.BitRate = 128;
  OptionsSetting.Mp3Options.StereoMode = 1;
  QStringList sources;
  for (int i = 0; i < kFiles; ++i) {
    sources << dir.path() + QStringLiteral("/in%1.wav").arg(i);
    if (!WriteWav(sources.last(), seconds)) return 1;
  }

  TEndCounter window;
  TMp3EncodeProcess runner;
  // Each round writes new files: the runner asks before it overwrites one.
  const QString folder = dir.path();
  auto fresh = [&](const QString& name, const bench::TJob& job) -> bench::TJob {
    return [=] {
      for (int i = 0; i < kFiles; ++i) QFile::remove(folder + "/" + name.arg(i));
      return job();
    };
  };
  auto throughTheRunner = bench::Timed([&] {
    window.Ends = 0;
    for (int i = 0; i < kFiles; ++i) {
      runner.Active = true;
      runner.SourceFile = sources[i];
      runner.DestFile = dir.path() + QStringLiteral("/runner%1.mp3").arg(i);
      runner.NotifyWindow = &window;
      runner.Encode = true;
      runner.JobKind = 2;
      // The job runner is a modal window: its event loop runs the monitor's
      // calls.
      QEventLoop loop;
      window.Loop = &loop;
      runner.Start();
      if (window.Ends <= i) loop.exec();
      window.Loop = nullptr;
      if (window.LastStatus != 2) return false;
    }
    return true;
  });
  auto directly = bench::Timed([&] {
    for (int i = 0; i < kFiles; ++i)
      if (!bench::RunProgram("lame", {"--nohist", "-b", "128", "-m", "j", sources[i],
                                      dir.path() + QStringLiteral("/direct%1.mp3").arg(i)}))
        return false;
    return true;
  });
  std::printf("tw_bench_encode: %d WAV files of %.1f s to MP3 (%s), %d rounds\n", kFiles, seconds,
              qPrintable(runner.BuildCommandLine(QStringLiteral("lame")).Text), rounds);
  bench::PrintHeader();
  bench::PrintRow("WAV to MP3 through the MP3 runner", "lame directly",
                  bench::MeasurePair(rounds, fresh("runner%1.mp3", throughTheRunner),
                                     fresh("direct%1.mp3", directly)),
                  ">= 0.98");
  return 0;
}
