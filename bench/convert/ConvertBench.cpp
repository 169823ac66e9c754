// Throughput of the rate converter and the Ogg Vorbis writer and reader,
// each timed beside a peer tool doing the same job on the same file in the
// same run. Prints seconds and the ratio ours / peer (below 1 is faster).
//
//   bench_convert [seconds-of-audio]   (default 120)

#include "acs/ACSConverters.h"
#include "acs/ACSVorbis.h"
#include "acs/ACSWave.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>

namespace {

bool RunTool(const QString& program, const QStringList& args) {
  const QString path = QStandardPaths::findExecutable(program);
  if (path.isEmpty()) {
    std::fprintf(stderr, "%s is not installed\n", qPrintable(program));
    return false;
  }
  QProcess p;
  p.start(path, args);
  return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool RunChain(TACSOutput& out) {
  bool failed = false;
  out.OnThreadException = [&](QObject*, const std::exception& e) {
    std::fprintf(stderr, "failed: %s\n", e.what());
    failed = true;
  };
  out.Run();
  while (out.Status() != osIdle) QThread::msleep(1);
  return !failed;
}

// Best of three runs, in seconds; negative when the job failed.
double Time(const std::function<bool()>& job) {
  double best = -1;
  for (int i = 0; i < 3; ++i) {
    QElapsedTimer t;
    t.start();
    if (!job()) return -1;
    const double s = t.nsecsElapsed() / 1e9;
    if (best < 0 || s < best) best = s;
  }
  return best;
}

void Report(const char* what, double ours, const char* peer, double theirs) {
  if (ours < 0 || theirs < 0) {
    std::printf("%-28s failed\n", what);
    return;
  }
  std::printf("%-28s ours %7.3f s   %-8s %7.3f s   ratio %.2f\n", what, ours, peer, theirs,
              ours / theirs);
}

double Resample(const QString& src, const QString& dst, int rate) {
  return Time([&] {
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
  });
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 120;
  QTemporaryDir dir;
  auto path = [&](const char* name) { return dir.path() + "/" + name; };
  const QString len = QString::number(seconds);
  for (int rate : {22050, 44100}) {
    const QString name = path(rate == 22050 ? "in22.wav" : "in44.wav");
    if (!RunTool("sox", {"-r", QString::number(rate), "-c", "2", "-n", "-b", "16", name, "synth",
                         len, "sine", "440", "sine", "3100", "gain", "-6"}))
      return 1;
  }
  std::printf("%d s of 16-bit stereo audio\n", seconds);

  const double up = Resample(path("in22.wav"), path("up.wav"), 44100);
  Report("resample 22050 -> 44100", up, "sox", Time([&] {
           return RunTool("sox", {path("in22.wav"), "-r", "44100", path("sox.wav")});
         }));
  Report("resample 22050 -> 44100", up, "ffmpeg", Time([&] {
           return RunTool("ffmpeg", {"-v", "error", "-y", "-i", path("in22.wav"), "-ar", "44100",
                                     path("ff.wav")});
         }));
  const double down = Resample(path("in44.wav"), path("down.wav"), 22050);
  Report("resample 44100 -> 22050", down, "sox", Time([&] {
           return RunTool("sox", {path("in44.wav"), "-r", "22050", path("sox.wav")});
         }));
  Report("resample 44100 -> 22050", down, "ffmpeg", Time([&] {
           return RunTool("ffmpeg", {"-v", "error", "-y", "-i", path("in44.wav"), "-ar", "22050",
                                     path("ff.wav")});
         }));

  const double encode = Time([&] {
    TWaveIn in;
    in.SetFileName(path("in44.wav"));
    TVorbisOut out;
    out.SetFileName(path("ours.ogg"));
    out.SetCompression(0.4f);
    out.SetInput(&in);
    return RunChain(out);
  });
  Report("vorbis encode q4", encode, "oggenc", Time([&] {
           return RunTool("oggenc", {"-Q", "-q", "4", "-o", path("peer.ogg"), path("in44.wav")});
         }));

  const double decode = Time([&] {
    TVorbisIn in;
    in.SetFileName(path("peer.ogg"));
    TWaveOut out;
    out.SetFileName(path("dec.wav"));
    out.SetInput(&in);
    return RunChain(out);
  });
  Report("vorbis decode", decode, "oggdec", Time([&] {
           return RunTool("oggdec", {"-Q", "-o", path("peer.wav"), path("peer.ogg")});
         }));
  return 0;
}
