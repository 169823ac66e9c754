// End-to-end chains from WAV files through the converters into WAV and Ogg
// Vorbis files, checked with sox, ffprobe and ogginfo.
#include "ConverterTestComponents.h"
#include "acs/ACSConverters.h"
#include "acs/ACSVorbis.h"
#include "acs/ACSWave.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

QByteArray Tool(const QString& program, const QStringList& args, int* exitCode = nullptr) {
  const QString path = QStandardPaths::findExecutable(program);
  EXPECT_FALSE(path.isEmpty()) << program.toStdString() << " is not installed";
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(path, args);
  p.waitForFinished(120000);
  if (exitCode) *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return p.readAll();
}

// soxi's answer for one field (-r rate, -c channels, -b bits, -s samples).
long long Soxi(const QString& flag, const QString& file) {
  return Tool("soxi", {flag, file}).trimmed().toLongLong();
}

bool RunToEnd(TACSOutput& out, QString* error) {
  std::atomic<bool> failed{false};
  out.OnThreadException = [&](QObject*, const std::exception& e) {
    failed = true;
    *error = ExceptionMessage(e);
  };
  out.Run();
  QElapsedTimer timer;
  timer.start();
  while (out.Status() != osIdle) {
    if (timer.elapsed() > 120000) return false;
    QThread::msleep(2);
  }
  return !failed;
}

// RMS of a 16-bit WAV read back through TWaveIn, ignoring the edges.
double WavRms(const QString& file) {
  TWaveIn in;
  in.SetFileName(file);
  in.Init();
  const auto s = ToSamples16(Drain(in, 8192));
  in.Flush();
  double sum = 0;
  size_t n = 0;
  for (size_t i = 2000; i + 2000 < s.size(); ++i, ++n) sum += double(s[i]) * s[i];
  return n ? std::sqrt(sum / n) : 0;
}

class ConverterWaveChain : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  QString Path(const QString& name) const { return dir.path() + "/" + name; }
  // A sox tone: 1 kHz at half scale.
  QString MakeWav(const QString& name, int rate, int channels, int bits, int frames) {
    int rc = -1;
    const QString path = Path(name);
    Tool("sox",
         {"-r", QString::number(rate), "-c", QString::number(channels), "-n", "-b",
          QString::number(bits), path, "synth", QString::number(frames) + "s", "sine", "1000",
          "vol", "0.5"},
         &rc);
    EXPECT_EQ(rc, 0);
    return path;
  }
  QTemporaryDir dir;
};

}  // namespace

TEST_F(ConverterWaveChain, ResamplesUpAndDown) {
  struct Case {
    int from, to, channels;
  };
  for (const Case c : {Case{22050, 44100, 2}, Case{44100, 22050, 2}, Case{32000, 44100, 1}}) {
    const QString src = MakeWav("src.wav", c.from, c.channels, 16, c.from * 2);
    TWaveIn in;
    in.SetFileName(src);
    TRateConverter rate;
    rate.SetOutSampleRate(c.to);
    rate.SetKernelWidth(30);
    rate.SetFilterWindow(fwBlackman);
    rate.SetInput(&in);
    TWaveOut out;
    const QString dst = Path("dst.wav");
    out.SetFileName(dst);
    out.SetInput(&rate);
    QString error;
    ASSERT_TRUE(RunToEnd(out, &error)) << error.toStdString();
    EXPECT_EQ(Soxi("-r", dst), c.to);
    EXPECT_EQ(Soxi("-c", dst), c.channels);
    EXPECT_EQ(Soxi("-b", dst), 16);
    EXPECT_NEAR(double(Soxi("-s", dst)), 2.0 * c.to, 1.0);  // two seconds
    // The tone keeps its level: 0.5 x 32767 / sqrt(2).
    EXPECT_NEAR(WavRms(dst), 16383.5 / std::sqrt(2.0), 16383.5 * 0.03) << c.from << "->" << c.to;
  }
}

TEST_F(ConverterWaveChain, RemixesAndChangesDepth) {
  // 16-bit stereo -> mono -> 8-bit.
  const QString src = MakeWav("st.wav", 44100, 2, 16, 44100);
  TWaveIn in;
  in.SetFileName(src);
  TMSConverter ms;
  ms.SetInput(&in);
  TSampleConverter depth;
  depth.SetInput(&ms);
  TWaveOut out;
  out.SetFileName(Path("mono8.wav"));
  out.SetInput(&depth);
  QString error;
  ASSERT_TRUE(RunToEnd(out, &error)) << error.toStdString();
  EXPECT_EQ(Soxi("-c", Path("mono8.wav")), 1);
  EXPECT_EQ(Soxi("-b", Path("mono8.wav")), 8);
  EXPECT_EQ(Soxi("-s", Path("mono8.wav")), 44100);

  // And back: 8-bit mono -> 16-bit -> stereo on the right only -> 48 kHz.
  TWaveIn in8;
  in8.SetFileName(Path("mono8.wav"));
  TSampleConverter up;
  up.SetInput(&in8);
  TMSConverter wide;
  wide.SetMode(msmMonoToLeft);
  wide.SetInput(&up);
  TRateConverter rate;
  rate.SetOutSampleRate(48000);
  rate.SetInput(&wide);
  TWaveOut out2;
  out2.SetFileName(Path("back.wav"));
  out2.SetInput(&rate);
  ASSERT_TRUE(RunToEnd(out2, &error)) << error.toStdString();
  EXPECT_EQ(Soxi("-r", Path("back.wav")), 48000);
  EXPECT_EQ(Soxi("-c", Path("back.wav")), 2);
  EXPECT_NEAR(double(Soxi("-s", Path("back.wav"))), 48000, 1);
  TWaveIn check;
  check.SetFileName(Path("back.wav"));
  check.Init();
  const auto s = ToSamples16(Drain(check));
  check.Flush();
  double left = 0, right = 0;
  for (size_t i = 0; i + 1 < s.size(); i += 2) {
    left = std::max(left, std::abs(double(s[i])));
    right = std::max(right, std::abs(double(s[i + 1])));
  }
  EXPECT_EQ(left, 0);  // msmMonoToLeft: the signal is on the right
  EXPECT_NEAR(right, 16384, 16384 * 0.05);
}

TEST_F(ConverterWaveChain, EncodesWavToOggInBothModes) {
  const QString src = MakeWav("song.wav", 44100, 2, 16, 44100 * 3);
  for (bool managed : {false, true}) {
    TWaveIn in;
    in.SetFileName(src);
    TVorbisOut out;
    const QString dst = Path(managed ? "managed.ogg" : "quality.ogg");
    out.SetFileName(dst);
    if (managed)
      out.SetDesiredNominalBitrate(br128);
    else
      out.SetCompression(0.5f);
    out.SetComments({"TITLE=Song", "ALBUM=Album"});
    out.SetInput(&in);
    QString error;
    ASSERT_TRUE(RunToEnd(out, &error)) << error.toStdString();
    int rc = -1;
    const QByteArray info = Tool("ogginfo", {dst}, &rc);
    EXPECT_EQ(rc, 0) << info.toStdString();
    EXPECT_FALSE(info.contains("WARNING")) << info.toStdString();
    EXPECT_EQ(info.contains("Nominal bitrate: 128.000000 kb/s"), managed) << info.toStdString();
    EXPECT_EQ(info.contains("Upper bitrate not set"), !managed) << info.toStdString();
    EXPECT_TRUE(info.contains("Playback length: 0m:03.000s")) << info.toStdString();
  }
}
