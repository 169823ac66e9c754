#include "ConverterTestComponents.h"
#include "acs/ACSVorbis.h"
#include "acs/VorbisPcm.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <limits>
#include <random>

namespace {

struct ToolResult {
  int exitCode = -1;
  QByteArray output;
};

// Runs a peer tool; stdout and stderr together.
ToolResult RunTool(const QString& program, const QStringList& args) {
  const QString path = QStandardPaths::findExecutable(program);
  EXPECT_FALSE(path.isEmpty()) << program.toStdString() << " is not installed";
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(path, args);
  p.waitForFinished(120000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAll()};
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& data) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(data);
}

// A WAV made by sox: `frames` frames of a two-tone signal.
QString MakeWav(const QString& dir, const QString& name, int rate, int channels, int frames) {
  const QString path = dir + "/" + name;
  const auto r = RunTool(
      "sox", {"-r", QString::number(rate), "-c", QString::number(channels), "-n", "-b", "16", path,
              "synth", QString::number(frames) + "s", "sine", "440", "sine", "1234", "gain", "-3"});
  EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
  return path;
}

// Raw little-endian 16-bit PCM as oggdec decodes it.
QByteArray OggdecRaw(const QString& ogg, const QString& dir) {
  const QString raw = dir + "/oggdec.raw";
  const auto r = RunTool("oggdec", {"-Q", "-R", "-o", raw, ogg});
  EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
  return ReadAll(raw);
}

QByteArray FfmpegRaw(const QString& ogg, const QString& dir) {
  const QString raw = dir + "/ffmpeg.raw";
  const auto r = RunTool("ffmpeg", {"-v", "error", "-y", "-i", ogg, "-f", "s16le", raw});
  EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
  return ReadAll(raw);
}

QByteArray DecodeAll(TVorbisIn& in, int32_t request = 4096) {
  in.Init();
  QByteArray out = Drain(in, request);
  in.Flush();
  return out;
}

// Encodes `pcm` through TVorbisOut on its worker; returns false when the
// job did not end within the (generous) bound.
bool Encode(TVorbisOut& out, TACSInput& input, QString* error = nullptr) {
  out.SetInput(&input);
  std::atomic<bool> failed{false};
  out.OnThreadException = [&](QObject*, const std::exception& e) {
    failed = true;
    if (error) *error = ExceptionMessage(e);
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

std::vector<int16_t> TwoTones(size_t frames, int channels, int rate) {
  auto a = SineWave(frames, channels, 440, rate, 9000);
  const auto b = SineWave(frames, channels, 3000, rate, 5000);
  for (size_t i = 0; i < a.size(); ++i) a[i] = static_cast<int16_t>(a[i] + b[i]);
  return a;
}

int CountOccurrences(const QByteArray& text, const QByteArray& what) {
  int n = 0;
  for (qsizetype at = text.indexOf(what); at >= 0; at = text.indexOf(what, at + 1)) ++n;
  return n;
}

struct OggPage {
  qsizetype offset = 0, size = 0;
  uint32_t serial = 0;
  bool bos = false;
};

// The pages of a well-formed Ogg file, walked by their headers.
std::vector<OggPage> OggPages(const QByteArray& ogg) {
  std::vector<OggPage> pages;
  const auto byte = [&](qsizetype i) { return static_cast<uint8_t>(ogg[i]); };
  for (qsizetype at = 0; at + 27 <= ogg.size() && ogg.mid(at, 4) == "OggS";) {
    const int segments = byte(at + 26);
    if (at + 27 + segments > ogg.size()) break;
    qsizetype size = 27 + segments;
    for (int i = 0; i < segments; ++i) size += byte(at + 27 + i);
    const uint32_t serial =
        byte(at + 14) | byte(at + 15) << 8 | byte(at + 16) << 16 | uint32_t(byte(at + 17)) << 24;
    pages.push_back({at, size, serial, (byte(at + 5) & 2) != 0});
    at += size;
  }
  return pages;
}

std::vector<uint32_t> StreamSerials(const QString& path) {
  std::vector<uint32_t> serials;
  for (const OggPage& page : OggPages(ReadAll(path)))
    if (page.bos) serials.push_back(page.serial);
  return serials;
}

class VorbisFiles : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  QString Path(const QString& name) const { return dir.path() + "/" + name; }
  QTemporaryDir dir;
};

}  // namespace

// ------------------------------------------------------------ bit rates

TEST(VorbisBitRates, Table) {
  EXPECT_EQ(VorbisBitRateValue(brAutoSelect), -1);
  EXPECT_EQ(VorbisBitRateValue(br45), 45000);
  EXPECT_EQ(VorbisBitRateValue(br112), 112000);
  EXPECT_EQ(VorbisBitRateValue(br128), 128000);
  EXPECT_EQ(VorbisBitRateValue(br224), 224000);
  EXPECT_EQ(VorbisBitRateValue(br499), 499000);
  EXPECT_EQ(VorbisBitRateValue(static_cast<TVorbisBitRate>(16)), -1);
  for (int i = 1; i < 15; ++i)
    EXPECT_LT(VorbisBitRateValue(TVorbisBitRate(i)), VorbisBitRateValue(TVorbisBitRate(i + 1)));
}

TEST(VorbisBitRates, SettersKeepTheThreeConsistent) {
  TVorbisOut out;
  EXPECT_EQ(out.DesiredNominalBitrate(), brAutoSelect);
  EXPECT_FLOAT_EQ(out.Compression(), 0.2f);
  EXPECT_EQ(out.Serial(), 0);

  out.SetDesiredMaximumBitrate(br192);  // refused while the nominal is auto
  EXPECT_EQ(out.DesiredMaximumBitrate(), brAutoSelect);

  out.SetDesiredNominalBitrate(br128);
  EXPECT_EQ(out.DesiredMaximumBitrate(), br128);  // raised to the nominal
  out.SetDesiredMaximumBitrate(br96);             // below the nominal: refused
  EXPECT_EQ(out.DesiredMaximumBitrate(), br128);
  out.SetDesiredMaximumBitrate(br192);
  EXPECT_EQ(out.DesiredMaximumBitrate(), br192);
  out.SetDesiredMaximumBitrate(brAutoSelect);
  EXPECT_EQ(out.DesiredMaximumBitrate(), brAutoSelect);

  out.SetMinimumBitrate(br160);  // above the nominal: refused
  EXPECT_EQ(out.MinimumBitrate(), brAutoSelect);
  out.SetMinimumBitrate(br64);
  EXPECT_EQ(out.MinimumBitrate(), br64);
  out.SetDesiredNominalBitrate(br56);  // below the minimum: the minimum follows
  EXPECT_EQ(out.MinimumBitrate(), br56);
  out.SetDesiredMaximumBitrate(br320);
  out.SetDesiredNominalBitrate(brAutoSelect);  // clears the maximum
  EXPECT_EQ(out.DesiredMaximumBitrate(), brAutoSelect);
  EXPECT_EQ(out.MinimumBitrate(), brAutoSelect);
}

// ------------------------------------------------------------ encoding

TEST_F(VorbisFiles, QualityModeMakesAValidFileThePeersDecode) {
  const size_t frames = 44100 * 2;
  const auto pcm = TwoTones(frames, 2, 44100);
  TMemoryInput in(16, 2, 44100, Samples16(pcm));
  TVorbisOut out;
  out.SetFileName(Path("q.ogg"));
  out.SetCompression(0.4f);
  out.SetComments({"TITLE=First Song", "ARTIST=Somebody", "COMMENT=a=b"});
  out.SetSerial(4242);
  ASSERT_TRUE(Encode(out, in));
  EXPECT_TRUE(out.Comments().isEmpty());  // for one encode only
  EXPECT_FALSE(in.Busy());

  const auto info = RunTool("ogginfo", {Path("q.ogg")});
  EXPECT_EQ(info.exitCode, 0) << info.output.toStdString();
  EXPECT_FALSE(info.output.contains("WARNING")) << info.output.toStdString();
  EXPECT_FALSE(info.output.contains("ERROR")) << info.output.toStdString();
  EXPECT_TRUE(info.output.contains("Upper bitrate not set"));  // quality mode
  EXPECT_TRUE(info.output.contains("serial: 00001092"));
  EXPECT_TRUE(info.output.contains("TITLE=First Song"));

  const auto probe =
      RunTool("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,channels,sample_rate",
                          "-of", "default=noprint_wrappers=1", Path("q.ogg")});
  EXPECT_EQ(probe.exitCode, 0);
  EXPECT_TRUE(probe.output.contains("codec_name=vorbis")) << probe.output.toStdString();
  EXPECT_TRUE(probe.output.contains("channels=2"));
  EXPECT_TRUE(probe.output.contains("sample_rate=44100"));

  const QByteArray decoded = OggdecRaw(Path("q.ogg"), dir.path());
  EXPECT_EQ(decoded.size(), qsizetype(frames * 4));  // exact length

  // Our reader: format, length, comments, and a signal close to the input.
  TVorbisIn reader;
  reader.SetFileName(Path("q.ogg"));
  EXPECT_TRUE(reader.Valid());
  EXPECT_EQ(reader.Channels(), 2);
  EXPECT_EQ(reader.SampleRate(), 44100);
  EXPECT_EQ(reader.BitsPerSample(), 16);
  const QByteArray ours = DecodeAll(reader);
  EXPECT_EQ(ours, decoded);
  EXPECT_EQ(reader.Comments(), (QStringList{"TITLE=First Song", "ARTIST=Somebody", "COMMENT=a=b"}));
  const auto back = ToSamples16(ours);
  double err = 0, sig = 0;
  for (size_t i = 0; i < pcm.size(); ++i) {
    err += double(back[i] - pcm[i]) * (back[i] - pcm[i]);
    sig += double(pcm[i]) * pcm[i];
  }
  EXPECT_LT(err / sig, 0.01);  // better than 20 dB signal-to-noise
}

TEST_F(VorbisFiles, NominalAloneGivesManagedRateForAllThree) {
  const auto pcm = TwoTones(44100, 2, 44100);
  TMemoryInput in(16, 2, 44100, Samples16(pcm));
  TVorbisOut out;
  out.SetFileName(Path("m.ogg"));
  out.SetDesiredNominalBitrate(br128);
  ASSERT_TRUE(Encode(out, in));
  TVorbisIn reader;
  reader.SetFileName(Path("m.ogg"));
  ASSERT_TRUE(reader.Valid());
  reader.OpenFile();
  EXPECT_EQ(reader.NominalBitrate(), 128000);
  EXPECT_EQ(reader.MaxBitrate(), 128000);
  EXPECT_EQ(reader.MinBitrate(), 128000);
  reader.CloseFile();

  // Explicit bounds are passed as given.
  TMemoryInput in2(16, 1, 44100, Samples16(TwoTones(44100, 1, 44100)));
  TVorbisOut bounded;
  bounded.SetFileName(Path("b.ogg"));
  bounded.SetDesiredNominalBitrate(br96);
  bounded.SetDesiredMaximumBitrate(br160);
  bounded.SetMinimumBitrate(br64);
  ASSERT_TRUE(Encode(bounded, in2));
  TVorbisIn r2;
  r2.SetFileName(Path("b.ogg"));
  r2.OpenFile();
  EXPECT_EQ(r2.Channels(), 1);
  EXPECT_EQ(r2.NominalBitrate(), 96000);
  EXPECT_EQ(r2.MaxBitrate(), 160000);
  EXPECT_EQ(r2.MinBitrate(), 64000);
  r2.CloseFile();
}

TEST_F(VorbisFiles, AppendWritesASecondCompleteStream) {
  TMemoryInput first(16, 2, 44100, Samples16(TwoTones(30000, 2, 44100)));
  TMemoryInput second(16, 2, 44100, Samples16(TwoTones(20000, 2, 44100)));
  TVorbisOut out;
  out.SetFileName(Path("a.ogg"));
  out.SetFileMode(foAppend);  // no file yet: created
  EXPECT_EQ(out.FileMode(), foAppend);
  ASSERT_TRUE(Encode(out, first));
  const qint64 firstSize = QFileInfo(Path("a.ogg")).size();
  out.SetSerial(7);
  ASSERT_TRUE(Encode(out, second));
  EXPECT_GT(QFileInfo(Path("a.ogg")).size(), firstSize);

  const auto info = RunTool("ogginfo", {Path("a.ogg")});
  EXPECT_EQ(info.exitCode, 0) << info.output.toStdString();
  EXPECT_EQ(CountOccurrences(info.output, "New logical stream"), 2) << info.output.toStdString();
  EXPECT_EQ(CountOccurrences(info.output, "ended"), 2);
  EXPECT_FALSE(info.output.contains("WARNING")) << info.output.toStdString();
  // Our reader plays the chain through: both streams, whole.
  TVorbisIn reader;
  reader.SetFileName(Path("a.ogg"));
  reader.OpenFile();
  EXPECT_EQ(reader.TotalSamples(), 50000);
  reader.CloseFile();
  EXPECT_EQ(DecodeAll(reader).size(), 50000 * 4);
}

TEST_F(VorbisFiles, AppendedStreamGetsASerialOfItsOwn) {
  // Serial left alone, or set to the same value for both encodes.
  for (const int32_t serial : {-1, 7}) {
    const QString path = Path(QString("serial%1.ogg").arg(serial));
    TMemoryInput first(16, 2, 44100, Samples16(TwoTones(30000, 2, 44100)));
    TMemoryInput second(16, 2, 44100, Samples16(TwoTones(20000, 2, 44100)));
    TVorbisOut out;
    if (serial >= 0) out.SetSerial(serial);
    out.SetFileName(path);
    out.SetFileMode(foAppend);
    ASSERT_TRUE(Encode(out, first));
    ASSERT_TRUE(Encode(out, second));
    const auto serials = StreamSerials(path);
    ASSERT_EQ(serials.size(), 2u) << serial;
    EXPECT_NE(serials[0], serials[1]) << serial;
    if (serial >= 0) {
      EXPECT_EQ(serials[0], uint32_t(serial));
    }

    const auto info = RunTool("ogginfo", {path});
    EXPECT_EQ(info.exitCode, 0) << info.output.toStdString();
    EXPECT_FALSE(info.output.contains("WARNING")) << info.output.toStdString();
    EXPECT_FALSE(info.output.contains("ERROR")) << info.output.toStdString();
    // (oggdec starts a chain at its last link, so ffmpeg checks the whole.)
    EXPECT_NEAR(double(FfmpegRaw(path, dir.path()).size()), 50000 * 4, 2000) << serial;
    TVorbisIn reader;
    reader.SetFileName(path);
    EXPECT_EQ(DecodeAll(reader).size(), 50000 * 4) << serial;
  }
  // New files do not all share one serial.
  std::vector<uint32_t> fresh;
  for (const char* name : {"n1.ogg", "n2.ogg", "n3.ogg"}) {
    TMemoryInput in(16, 1, 44100, Samples16(TwoTones(1000, 1, 44100)));
    TVorbisOut out;
    out.SetFileName(Path(name));
    ASSERT_TRUE(Encode(out, in));
    const auto serials = StreamSerials(Path(name));
    ASSERT_EQ(serials.size(), 1u);
    fresh.push_back(serials[0]);
  }
  EXPECT_FALSE(fresh[0] == fresh[1] && fresh[1] == fresh[2]);
}

TEST_F(VorbisFiles, StopStillFinishesTheStream) {
  // A long open-ended source: the job only ends by Stop.
  TMemoryInput in(16, 2, 44100, Samples16(TwoTones(44100 * 20, 2, 44100)));
  in.openEnded = true;
  TVorbisOut out;
  out.SetFileName(Path("s.ogg"));
  out.SetInput(&in);
  std::atomic<int> done{0};
  out.OnDone = [&](QObject*) { ++done; };
  out.SetDelay(10);  // gives Stop a chance to land before the end
  out.Run();
  while (in.Position() == 0) QThread::msleep(1);
  out.Stop();
  QElapsedTimer t;
  t.start();
  while (out.Status() != osIdle && t.elapsed() < 60000) QThread::msleep(2);
  ASSERT_EQ(out.Status(), osIdle);
  EXPECT_EQ(done, 1);
  const auto info = RunTool("ogginfo", {Path("s.ogg")});
  EXPECT_EQ(info.exitCode, 0) << info.output.toStdString();
  EXPECT_TRUE(info.output.contains("ended")) << info.output.toStdString();
  EXPECT_FALSE(info.output.contains("WARNING")) << info.output.toStdString();
}

// A source that fails after a while, like a read error.
class TFailingInput : public TMemoryInput {
 public:
  using TMemoryInput::TMemoryInput;
  int32_t GetData(uint8_t* buffer, int32_t size) override {
    if (Position() > 200000) throw EACSException("read failure");
    return TMemoryInput::GetData(buffer, size);
  }
};

TEST_F(VorbisFiles, FailuresLeaveNoHalfWrittenFile) {
  const QByteArray old = "previous contents";
  WriteAll(Path("f.ogg"), old);
  TFailingInput in(16, 2, 44100, Samples16(TwoTones(441000, 2, 44100)));
  TVorbisOut out;
  out.SetFileName(Path("f.ogg"));
  QString error;
  EXPECT_FALSE(Encode(out, in, &error));
  EXPECT_EQ(error, "read failure");
  EXPECT_EQ(ReadAll(Path("f.ogg")), old);  // the old file stands
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"f.ogg"});

  // An append that fails leaves the earlier streams exactly as they were.
  TMemoryInput good(16, 2, 44100, Samples16(TwoTones(10000, 2, 44100)));
  TVorbisOut first;
  first.SetFileName(Path("g.ogg"));
  ASSERT_TRUE(Encode(first, good));
  const QByteArray before = ReadAll(Path("g.ogg"));
  TFailingInput bad(16, 2, 44100, Samples16(TwoTones(441000, 2, 44100)));
  TVorbisOut appender;
  appender.SetFileName(Path("g.ogg"));
  appender.SetFileMode(foAppend);
  EXPECT_FALSE(Encode(appender, bad));
  EXPECT_EQ(ReadAll(Path("g.ogg")), before);
}

TEST_F(VorbisFiles, PrepareRefusalsReachOnThreadException) {
  TMemoryInput in(16, 2, 44100, Samples16(TwoTones(1000, 2, 44100)));
  TVorbisOut out;
  QString error;
  EXPECT_FALSE(Encode(out, in, &error));
  EXPECT_EQ(error, "File name is not assigned.");
  EXPECT_FALSE(out.Busy());

  TMemoryInput eight(8, 2, 44100, QByteArray(1000, '\x80'));
  out.SetFileName(Path("e.ogg"));
  EXPECT_FALSE(Encode(out, eight, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(QFile::exists(Path("e.ogg")));
  EXPECT_FALSE(eight.Busy());

  // A combination the encoder cannot do is reported, not encoded blindly.
  TMemoryInput low(16, 1, 8000, Samples16(TwoTones(8000, 1, 8000)));
  out.SetDesiredNominalBitrate(br499);
  EXPECT_FALSE(Encode(out, low, &error));
  EXPECT_FALSE(QFile::exists(Path("e.ogg")));
  EXPECT_FALSE(low.Busy());
  // And the input can be used again right away.
  out.SetDesiredNominalBitrate(brAutoSelect);
  EXPECT_TRUE(Encode(out, low, &error)) << error.toStdString();
  EXPECT_TRUE(QFile::exists(Path("e.ogg")));
}

TEST_F(VorbisFiles, OddSizedReadsKeepFramesAligned) {
  const auto pcm = TwoTones(20000, 2, 44100);
  TMemoryInput in(16, 2, 44100, Samples16(pcm));
  in.chunk = [](int call) { return 1 + (call * 37) % 1001; };
  TVorbisOut out;
  out.SetFileName(Path("o.ogg"));
  out.SetCompression(0.6f);
  ASSERT_TRUE(Encode(out, in));
  TVorbisIn reader;
  reader.SetFileName(Path("o.ogg"));
  const auto back = ToSamples16(DecodeAll(reader));
  ASSERT_EQ(back.size(), pcm.size());
  double err = 0, sig = 0;
  for (size_t i = 0; i < pcm.size(); ++i) {
    err += double(back[i] - pcm[i]) * (back[i] - pcm[i]);
    sig += double(pcm[i]) * pcm[i];
  }
  EXPECT_LT(err / sig, 0.01);
}

// ------------------------------------------------------------ decoding

TEST_F(VorbisFiles, OggencFilesDecodeExactlyAsOggdec) {
  for (int channels : {1, 2}) {
    const QString wav = MakeWav(dir.path(), "in.wav", 44100, channels, 100000);
    const QString ogg = Path("in.ogg");
    QFile::remove(ogg);
    ASSERT_EQ(RunTool("oggenc", {"-Q", "-q", "4", "-o", ogg, wav}).exitCode, 0);
    const QByteArray reference = OggdecRaw(ogg, dir.path());
    TVorbisIn reader;
    reader.SetFileName(ogg);
    ASSERT_TRUE(reader.Valid());
    EXPECT_EQ(reader.Channels(), channels);
    EXPECT_EQ(DecodeAll(reader, 1000), reference) << channels;
  }
}

TEST_F(VorbisFiles, SixChannelFilesDecodeToTheirEndAsOggdec) {
  // 8192 bytes is no whole number of 12-byte frames: the buffer is filled
  // with whole frames only, so the stream does not end after the first.
  const QString wav = MakeWav(dir.path(), "six.wav", 44100, 6, 30000);
  ASSERT_EQ(RunTool("oggenc", {"-Q", "-o", Path("six.ogg"), wav}).exitCode, 0);
  const QByteArray reference = OggdecRaw(Path("six.ogg"), dir.path());
  ASSERT_EQ(reference.size(), 30000 * 12);
  TVorbisIn reader;
  reader.SetFileName(Path("six.ogg"));
  EXPECT_EQ(DecodeAll(reader), reference);
}

TEST_F(VorbisFiles, ClippedFilesDecodeExactlyAsOggdec) {
  // Full-scale tones decode to floats beyond 1, which must saturate alike.
  const QString wav = dir.path() + "/loud.wav";
  ASSERT_EQ(RunTool("sox", {"-r", "44100", "-c", "2", "-n", "-b", "16", wav, "synth", "3", "square",
                            "440", "sine", "3100"})
                .exitCode,
            0);
  ASSERT_EQ(RunTool("oggenc", {"-Q", "-q", "1", "-o", Path("loud.ogg"), wav}).exitCode, 0);
  const QByteArray reference = OggdecRaw(Path("loud.ogg"), dir.path());
  const auto samples = ToSamples16(reference);
  ASSERT_GT(std::count(samples.begin(), samples.end(), int16_t(32767)), 0);
  TVorbisIn reader;
  reader.SetFileName(Path("loud.ogg"));
  EXPECT_EQ(DecodeAll(reader, 777), reference);
}

TEST_F(VorbisFiles, DamagedPagesAreSkippedAsOggdecDoes) {
  const QString wav = MakeWav(dir.path(), "h.wav", 44100, 2, 441000);
  ASSERT_EQ(RunTool("oggenc", {"-Q", "-o", Path("h.ogg"), wav}).exitCode, 0);
  const QByteArray good = ReadAll(Path("h.ogg"));
  const auto pages = OggPages(good);
  ASSERT_GT(pages.size(), 8u);
  // One page in the middle; then every other audio page.
  for (const int every : {0, 2}) {
    QByteArray bad = good;
    for (size_t i = 3; i + 1 < pages.size(); ++i) {
      if (every == 0 ? i != pages.size() / 2 : i % every != 0) continue;
      const OggPage& page = pages[i];
      for (qsizetype at = page.offset + page.size / 2; at < page.offset + page.size / 2 + 16; ++at)
        bad[at] = static_cast<char>(bad[at] ^ 0x5a);
    }
    WriteAll(Path("hole.ogg"), bad);
    const qsizetype reference = OggdecRaw(Path("hole.ogg"), dir.path()).size();
    TVorbisIn reader;
    reader.SetFileName(Path("hole.ogg"));
    ASSERT_TRUE(reader.Valid());
    const qsizetype ours = DecodeAll(reader).size();
    EXPECT_NEAR(double(ours), double(reference), 0.01 * 441000 * 4) << every;
    if (every == 0) {
      EXPECT_GT(ours, 441000 * 4 * 3 / 4);
    }
  }
}

TEST_F(VorbisFiles, SizeAndTotalTimeOfTenSeconds) {
  const QString wav = MakeWav(dir.path(), "ten.wav", 44100, 2, 441000);
  ASSERT_EQ(RunTool("oggenc", {"-Q", "-o", Path("ten.ogg"), wav}).exitCode, 0);
  TVorbisIn reader;
  reader.SetFileName(Path("ten.ogg"));
  EXPECT_EQ(reader.TotalTime(), 10);
  reader.OpenFile();
  EXPECT_EQ(reader.TotalSamples(), 441000);
  EXPECT_EQ(reader.Size(), 1764000);
  EXPECT_EQ(reader.Duration(), 10);
  reader.CloseFile();
}

TEST_F(VorbisFiles, JumpMovesByPercentOfSize) {
  // 250000 stereo frames: Size 1000000.
  const QString wav = MakeWav(dir.path(), "j.wav", 44100, 2, 250000);
  ASSERT_EQ(RunTool("oggenc", {"-Q", "-o", Path("j.ogg"), wav}).exitCode, 0);
  const QByteArray reference = OggdecRaw(Path("j.ogg"), dir.path());
  ASSERT_EQ(reference.size(), 1000000);
  TVorbisIn reader;
  reader.SetFileName(Path("j.ogg"));
  reader.Init();
  ASSERT_EQ(reader.Size(), 1000000);
  uint8_t buf[8192];
  reader.SetJump(60);  // from 0 to byte 600000, sample 150000
  ASSERT_EQ(reader.GetData(buf, 8192), 8192);
  EXPECT_EQ(reader.Position(), 600000 + 8192);
  EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buf), 8192), reference.mid(600000, 8192));
  reader.SetJump(-10);  // 608192 - 100000
  ASSERT_EQ(reader.GetData(buf, 4096), 4096);
  EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buf), 4096), reference.mid(508192, 4096));
  EXPECT_EQ(reader.Position(), 508192 + 4096);
  reader.SetJump(90);  // applied at the next refill, clamped to the end
  const QByteArray rest = Drain(reader, 8192);
  EXPECT_EQ(rest, reference.mid(512288, 4096));  // the buffer's rest, then the end
  EXPECT_EQ(reader.Jump(), 0);
  reader.Flush();
}

TEST_F(VorbisFiles, LoopRestartsAtStartSample) {
  const QString wav = MakeWav(dir.path(), "l.wav", 22050, 1, 5000);
  ASSERT_EQ(RunTool("oggenc", {"-Q", "-o", Path("l.ogg"), wav}).exitCode, 0);
  const QByteArray reference = OggdecRaw(Path("l.ogg"), dir.path());
  ASSERT_EQ(reference.size(), 10000);
  TVorbisIn reader;
  reader.SetFileName(Path("l.ogg"));
  reader.SetLoop(true);
  reader.SetStartSample(1000);
  reader.Init();
  EXPECT_EQ(reader.Size(), 8000);
  QByteArray got;
  uint8_t buf[3000];
  while (got.size() < 3 * 8000 + 100)
    got.append(reinterpret_cast<char*>(buf), reader.GetData(buf, 3000));
  const QByteArray window = reference.mid(2000);
  EXPECT_EQ(got.left(8000), window);
  EXPECT_EQ(got.mid(8000, 8000), window);
  EXPECT_EQ(got.mid(16000, 8000), window);
  reader.Flush();
}

TEST_F(VorbisFiles, ChainEndsWhereTheFormatChanges) {
  const QString first = MakeWav(dir.path(), "c1.wav", 44100, 2, 30000);
  const QString second = MakeWav(dir.path(), "c2.wav", 22050, 1, 20000);
  ASSERT_EQ(RunTool("oggenc", {"-Q", "-o", Path("c1.ogg"), first}).exitCode, 0);
  ASSERT_EQ(RunTool("oggenc", {"-Q", "-o", Path("c2.ogg"), second}).exitCode, 0);
  WriteAll(Path("chain.ogg"), ReadAll(Path("c1.ogg")) + ReadAll(Path("c2.ogg")));
  const QByteArray reference = OggdecRaw(Path("c1.ogg"), dir.path());
  ASSERT_EQ(reference.size(), 30000 * 4);

  TVorbisIn reader;
  reader.SetFileName(Path("chain.ogg"));
  ASSERT_TRUE(reader.Valid());
  EXPECT_EQ(reader.Channels(), 2);
  EXPECT_EQ(reader.SampleRate(), 44100);
  reader.OpenFile();
  EXPECT_EQ(reader.TotalSamples(), 30000);
  EXPECT_EQ(reader.Size(), 30000 * 4);
  reader.CloseFile();
  EXPECT_EQ(DecodeAll(reader, 1000), reference);
}

TEST_F(VorbisFiles, BadFilesAreInvalidOrEndCleanly) {
  const QString wav = MakeWav(dir.path(), "ok.wav", 44100, 2, 44100);
  ASSERT_EQ(RunTool("oggenc", {"-Q", "-o", Path("ok.ogg"), wav}).exitCode, 0);
  const QByteArray good = ReadAll(Path("ok.ogg"));
  WriteAll(Path("empty.ogg"), {});
  WriteAll(Path("text.ogg"), QByteArray(5000, 'x'));
  WriteAll(Path("head.ogg"), good.left(30));
  ASSERT_EQ(RunTool("ffmpeg",
                    {"-v", "error", "-y", "-i", wav, "-c:a", "flac", "-f", "ogg", Path("flac.oga")})
                .exitCode,
            0);
  // A FIFO where the file belongs must be refused, not block.
  ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fifo.ogg")).constData(), 0600), 0);
  for (const char* name :
       {"missing.ogg", "empty.ogg", "text.ogg", "head.ogg", "ok.wav", "flac.oga", "fifo.ogg"}) {
    TVorbisIn reader;
    reader.SetFileName(Path(name));
    EXPECT_FALSE(reader.Valid()) << name;
    EXPECT_EQ(reader.TotalTime(), 0);
    reader.Init();  // opens nothing usable, reads nothing
    uint8_t buf[256];
    EXPECT_EQ(reader.GetData(buf, 256), 0) << name;
    reader.Flush();
  }
  TVorbisIn unnamed;
  EXPECT_FALSE(unnamed.Valid());

  // Cut in the middle: whatever decodes comes out, then a clean end.
  WriteAll(Path("cut.ogg"), good.left(good.size() / 2));
  TVorbisIn cut;
  cut.SetFileName(Path("cut.ogg"));
  if (cut.Valid()) {
    const QByteArray pcm = DecodeAll(cut);
    EXPECT_LE(pcm.size(), 44100 * 4);
    EXPECT_EQ(pcm.size() % 4, 0);
  }
  uint8_t b[4];
  EXPECT_THROW(cut.GetData(b, 4), EACSException);  // not busy
}

TEST_F(VorbisFiles, WavThroughVorbisOutAndBack) {
  // The job runner's chain: encode from a file source, then decode.
  const QString wav = MakeWav(dir.path(), "src.wav", 44100, 2, 88200);
  const QString ogg = Path("src.ogg");
  ASSERT_EQ(RunTool("oggenc", {"-Q", "-o", ogg, wav}).exitCode, 0);
  TVorbisIn source;
  source.SetFileName(ogg);
  TVorbisOut out;
  out.SetFileName(Path("re.ogg"));
  out.SetDesiredNominalBitrate(br160);
  ASSERT_TRUE(Encode(out, source));
  EXPECT_EQ(out.Progress(), 100);
  TVorbisIn reader;
  reader.SetFileName(Path("re.ogg"));
  reader.OpenFile();
  EXPECT_EQ(reader.TotalSamples(), 88200);
  EXPECT_EQ(reader.NominalBitrate(), 160000);
  reader.CloseFile();
}

// ------------------------------------------------------------ float samples

TEST(VorbisPcm, SampleRoundsHalvesToEvenAndSaturates) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float in;
    int16_t want;
  } cases[] = {
      {0.5f / 32768, 0},
      {1.5f / 32768, 2},
      {-0.5f / 32768, 0},
      {-2.5f / 32768, -2},
      {1000.4f / 32768, 1000},
      {0.99996948f, 32767},
      {32767.5f / 32768, 32767},
      {1.0f, 32767},
      {-1.0f, -32768},
      {3.0f, 32767},
      {-3.0f, -32768},
      {65535.0f, 32767},
      {nan, -32768},
      {inf, -32768},
      {-inf, -32768},
      {1e30f, -32768},
      {-1e30f, -32768},
      {0.0f, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(VorbisSampleTo16(c.in), c.want) << c.in;
}

TEST(VorbisPcm, BlocksInterleaveAsTheSampleFormula) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> value(-1.2f, 1.2f);
  const float specials[] = {std::numeric_limits<float>::quiet_NaN(), 2.5f / 32768, -1.0f, 1.0f,
                            1e20f};
  for (int channels : {1, 2, 3}) {
    for (size_t frames : {size_t{0}, size_t{1}, size_t{7}, size_t{8}, size_t{9}, size_t{37}}) {
      const std::vector<float> silence(frames);
      std::vector<std::vector<float>> planes(size_t(channels), silence);
      size_t n = 0;
      for (auto& plane : planes)
        for (float& x : plane) x = n++ % 6 == 5 ? specials[n % 5] : value(random);
      std::vector<const float*> channel;
      for (const auto& plane : planes) channel.push_back(plane.data());
      std::vector<uint8_t> out(frames * size_t(channels) * 2, 0xAA);
      VorbisFloatsTo16(channel.data(), channels, frames, out.data());
      std::vector<uint8_t> want;
      for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
          const auto v = uint16_t(VorbisSampleTo16(planes[size_t(c)][i]));
          want.push_back(uint8_t(v));
          want.push_back(uint8_t(v >> 8));
        }
      EXPECT_EQ(out, want) << channels << " channels, " << frames << " frames";
    }
  }
}
