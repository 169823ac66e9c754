#include "WaveTestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

class WaveRead : public ::testing::Test {
 protected:
  QString Put(const QByteArray& bytes, const QString& name = "in.wav") {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(WriteFile(path, bytes));
    return path;
  }
  QTemporaryDir dir;
};

const QByteArray kData = SampleBytes(Sine(5000, 2));

QByteArray StereoFmt() { return Chunk("fmt ", FmtBody(1, 2, 44100, 4, 16)); }

}  // namespace

TEST_F(WaveRead, PlainPcmFileDeliversItsDataByteForByte) {
  TWaveIn in;
  in.SetFileName(Put(PcmFile(kData, 2, 44100, 16)));
  EXPECT_TRUE(in.Valid());
  EXPECT_EQ(in.WavType(), wtPCM);
  EXPECT_EQ(in.BitsPerSample(), 16);
  EXPECT_EQ(in.Channels(), 2);
  EXPECT_EQ(in.SampleRate(), 44100);
  EXPECT_EQ(ReadAll(in, 777), kData);
  EXPECT_EQ(in.TotalSamples(), 5000);
  EXPECT_FALSE(in.Busy());
}

TEST_F(WaveRead, HeaderSearchToleratesLayouts) {
  // A LIST chunk between fmt and data.
  const QByteArray list = Chunk("LIST", QByteArray(26, 'x'));
  TWaveIn a;
  a.SetFileName(Put(RiffWave(StereoFmt() + list + Chunk("data", kData)), "list.wav"));
  EXPECT_TRUE(a.Valid());
  EXPECT_EQ(ReadAll(a), kData);
  QFile f(a.FileName());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(ParseWaveHeader(f).DataOffset, 44 + 8 + 26);

  // Lower-case ids.
  QByteArray lower = RiffWave(StereoFmt() + Chunk("data", kData));
  std::memcpy(lower.data(), "riff", 4);
  std::memcpy(lower.data() + 8, "wave", 4);
  std::memcpy(lower.data() + 12, "FMT ", 4);
  TWaveIn b;
  b.SetFileName(Put(lower, "lower.wav"));
  EXPECT_TRUE(b.Valid());
  EXPECT_EQ(ReadAll(b), kData);

  // Three bytes of garbage before RIFF, and garbage between RIFF and WAVE.
  QByteArray garbage = "abc" + PcmFile(kData, 2, 44100, 16);
  garbage.insert(11, "zz");
  TWaveIn c;
  c.SetFileName(Put(garbage, "garbage.wav"));
  EXPECT_TRUE(c.Valid());
  EXPECT_EQ(ReadAll(c), kData);

  // A long chunk before the data is skipped by size; one that pushes the
  // data past 8192 bytes consumed is too far.
  TWaveIn d;
  d.SetFileName(
      Put(RiffWave(StereoFmt() + Chunk("junk", QByteArray(8000, 0)) + Chunk("data", kData)),
          "near.wav"));
  EXPECT_TRUE(d.Valid());
  TWaveIn e;
  e.SetFileName(
      Put(RiffWave(StereoFmt() + Chunk("junk", QByteArray(8200, 0)) + Chunk("data", kData)),
          "far.wav"));
  EXPECT_FALSE(e.Valid());
  EXPECT_EQ(e.WavType(), wtUnsupported);
}

TEST_F(WaveRead, HostileHeadersAreRejectedOrEndCleanly) {
  const QByteArray good = PcmFile(kData, 2, 44100, 16);
  std::vector<std::pair<const char*, QByteArray>> bad;
  for (int cut : {0, 3, 11, 12, 20, 35, 43}) bad.push_back({"truncated", good.left(cut)});
  bad.push_back({"no RIFF", QByteArray(200, 'R')});
  bad.push_back(
      {"huge chunk", RiffWave(Chunk("junk", {}).left(4) + Le32(0xFFFFFFF0) + StereoFmt())});
  bad.push_back(
      {"fmt past end", RiffWave("fmt " + Le32(0x7FFFFFFF) + FmtBody(1, 2, 44100, 4, 16))});
  bad.push_back(
      {"tag 3", RiffWave(Chunk("fmt ", FmtBody(3, 2, 44100, 8, 32)) + Chunk("data", kData))});
  bad.push_back(
      {"0 channels", RiffWave(Chunk("fmt ", FmtBody(1, 0, 44100, 4, 16)) + Chunk("data", kData))});
  bad.push_back(
      {"3 channels", RiffWave(Chunk("fmt ", FmtBody(1, 3, 44100, 6, 16)) + Chunk("data", kData))});
  bad.push_back(
      {"rate 0", RiffWave(Chunk("fmt ", FmtBody(1, 2, 0, 4, 16)) + Chunk("data", kData))});
  bad.push_back(
      {"24 bit", RiffWave(Chunk("fmt ", FmtBody(1, 2, 44100, 6, 24)) + Chunk("data", kData))});
  for (int size = 0; size <= 18; ++size) {
    const QByteArray body = (FmtBody(1, 2, 44100, 4, 16) + Le16(0)).left(size);
    if (size < 15)  // a 15-byte record still holds the low byte of 16 bits
      bad.push_back({"short fmt", RiffWave(Chunk("fmt ", body) + Chunk("data", kData))});
  }
  int i = 0;
  for (const auto& [what, bytes] : bad) {
    SCOPED_TRACE(what);
    TWaveIn in;
    in.SetFileName(Put(bytes, QString("bad%1.wav").arg(i++)));
    EXPECT_FALSE(in.Valid());
    // Reading an invalid file delivers nothing and does not fault.
    EXPECT_TRUE(ReadAll(in).isEmpty());
  }
  // A FIFO or a device where the file belongs is refused without blocking.
  ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("fifo.wav")).constData(), 0600), 0);
  for (const QString& path : {dir.filePath("fifo.wav"), QString("/dev/zero")}) {
    TWaveIn in;
    in.SetFileName(path);
    EXPECT_FALSE(in.Valid()) << path.toStdString();
  }
  // fmt of 16 to 18 bytes is a whole PCM record.
  for (int size = 16; size <= 18; ++size) {
    TWaveIn in;
    const QByteArray body = (FmtBody(1, 2, 44100, 4, 16) + Le16(0)).left(size);
    in.SetFileName(Put(RiffWave(Chunk("fmt ", body) + Chunk("data", kData)), "fmt.wav"));
    EXPECT_TRUE(in.Valid()) << size;
  }
}

TEST_F(WaveRead, DataChunkLongerThanTheFileEndsWithTheFile) {
  QByteArray bytes = PcmFile(kData, 2, 44100, 16);
  PutLE32(reinterpret_cast<uint8_t*>(bytes.data()) + 40, 0xFFFFFFF0u);
  TWaveIn in;
  in.SetFileName(Put(bytes));
  EXPECT_TRUE(in.Valid());
  EXPECT_EQ(ReadAll(in), kData);
  in.Init();
  EXPECT_EQ(in.Size(), kData.size());
  in.Flush();
}

TEST_F(WaveRead, InitAndGetDataUsageErrors) {
  TWaveIn in;
  EXPECT_FALSE(in.Valid());
  uint8_t b[16];
  try {
    in.Init();
    FAIL();
  } catch (const EACSException& e) {
    EXPECT_EQ(e.Message(), "The file name is not assigned");
  }
  try {
    in.GetData(b, 16);
    FAIL();
  } catch (const EACSException& e) {
    EXPECT_EQ(e.Message(), "The Stream is not opened");
  }
  in.SetFileName(Put(PcmFile(kData, 2, 44100, 16)));
  in.Init();
  try {
    in.Init();
    FAIL();
  } catch (const EACSException& e) {
    EXPECT_EQ(e.Message(), "The component is buisy");
  }
  in.Reset();
  EXPECT_FALSE(in.Busy());
  // Reset closed the file for real: a new Init starts from the beginning.
  in.Init();
  EXPECT_EQ(in.GetData(b, 16), 16);
  EXPECT_EQ(QByteArray(reinterpret_cast<char*>(b), 16), kData.left(16));
  in.Flush();
  // A missing file is not valid.
  TWaveIn missing;
  missing.SetFileName(dir.filePath("nope.wav"));
  EXPECT_FALSE(missing.Valid());
}

TEST_F(WaveRead, StartEndWindowLoopAndTotalTime) {
  TWaveIn in;
  in.SetFileName(Put(PcmFile(kData, 2, 44100, 16)));
  in.SetStartSample(1000);
  in.Init();
  EXPECT_EQ(in.Size(), 16000);
  in.Flush();
  EXPECT_EQ(ReadAll(in), kData.mid(4000));
  in.SetEndSample(3000);
  EXPECT_EQ(ReadAll(in), kData.mid(4000, 8000));
  // An end past the file is bounded by it; a start past the end is empty.
  in.SetEndSample(100000);
  EXPECT_EQ(ReadAll(in), kData.mid(4000));
  in.SetStartSample(4000);
  in.SetEndSample(3000);
  EXPECT_TRUE(ReadAll(in).isEmpty());

  // Looping restarts at StartSample.
  in.SetStartSample(4000);
  in.SetEndSample(-1);
  in.SetLoop(true);
  in.Init();
  QByteArray got;
  uint8_t b[1500];
  while (got.size() < 12000) got.append(reinterpret_cast<char*>(b), in.GetData(b, sizeof b));
  in.Flush();
  EXPECT_EQ(got.left(12000), kData.mid(16000) + kData.mid(16000) + kData.mid(16000));

  // 3 s of 8-bit mono at 8000 Hz (rounded from 2.6 s).
  TWaveIn t;
  t.SetFileName(Put(PcmFile(QByteArray(20800, char(128)), 1, 8000, 8), "eight.wav"));
  EXPECT_EQ(t.TotalTime(), 3);
  EXPECT_EQ(t.BitsPerSample(), 8);
}

TEST_F(WaveRead, JumpMovesByPercentOfTheWhole) {
  TWaveIn in;
  in.SetFileName(Put(PcmFile(kData, 2, 44100, 16)));
  in.Init();
  uint8_t b[100];
  ASSERT_EQ(in.GetData(b, 100), 100);
  in.SetJump(50);  // +10000 bytes
  // The rest of the current refill comes first.
  QByteArray rest;
  while (in.Position() < kData.size() && rest.size() < kData.size()) {
    const int32_t n = in.GetData(b, 100);
    if (n == 0) break;
    rest.append(reinterpret_cast<char*>(b), n);
  }
  in.Flush();
  // One whole 16384-byte refill, then nothing: the jump carried Position
  // past the end of the file.
  EXPECT_EQ(rest, kData.mid(100, 16284));
  EXPECT_EQ(in.Jump(), 0);

  TWaveIn back;
  back.SetFileName(in.FileName());
  back.Init();
  back.SetJump(50);
  ASSERT_EQ(back.GetData(b, 100), 100);
  EXPECT_EQ(QByteArray(reinterpret_cast<char*>(b), 100), kData.mid(10000, 100));
  back.Flush();
}

TEST_F(WaveRead, AssignedStreamIsReadAndRewound) {
  QBuffer buffer;
  buffer.setData(PcmFile(kData, 2, 44100, 16));
  buffer.open(QIODevice::ReadOnly);
  TWaveIn in;
  in.SetStream(&buffer);
  EXPECT_TRUE(in.StreamAssigned());
  EXPECT_TRUE(in.Valid());
  EXPECT_EQ(ReadAll(in), kData);
  EXPECT_EQ(buffer.pos(), 0);
  EXPECT_TRUE(buffer.isOpen());
}
