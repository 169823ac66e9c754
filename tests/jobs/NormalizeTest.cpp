#include "jobs/Normalizer.h"

#include "MessageSink.h"
#include "acs/WaveHeader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

namespace {

QByteArray Samples(const std::vector<int16_t>& s) {
  QByteArray b(int(s.size() * 2), 0);
  for (size_t i = 0; i < s.size(); ++i)
    PutLE16(reinterpret_cast<uint8_t*>(b.data()) + 2 * i, uint16_t(s[i]));
  return b;
}

std::vector<int16_t> ToSamples(const QByteArray& b) {
  std::vector<int16_t> s(size_t(b.size() / 2));
  for (size_t i = 0; i < s.size(); ++i)
    s[i] = int16_t(GetLE16(reinterpret_cast<const uint8_t*>(b.constData()) + 2 * i));
  return s;
}

class Normalize : public ::testing::Test {
 protected:
  QString Put(const QByteArray& data) {
    const QString path = dir.filePath("track.wav");
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(PcmWaveHeader(2, 44100, 16, uint32_t(data.size())) + data);
    return path;
  }
  QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QTemporaryDir dir;
  TMessageSink window;
};

}  // namespace

TEST_F(Normalize, HundredPercentLeavesTheFileByteForByte) {
  std::vector<int16_t> s;
  for (int i = 0; i < 30000; ++i) s.push_back(int16_t(i * 37));
  s.push_back(-32768);
  s.push_back(32767);
  const QString path = Put(Samples(s));
  const QByteArray before = Read(path);
  ASSERT_TRUE(NormalizeFile(path, 100, &window));
  EXPECT_EQ(Read(path), before);
  EXPECT_FALSE(QFile::exists(dir.filePath("track.nor")));
}

TEST_F(Normalize, FiftyPercentRoundsHalvesToEven) {
  const std::vector<int16_t> s = {1001, -1001, -32768, 32767, 3, -3, 5, 0, 1, -1};
  const QString path = Put(Samples(s));
  const QByteArray header = Read(path).left(44);
  ASSERT_TRUE(NormalizeFile(path, 50, &window));
  const QByteArray after = Read(path);
  EXPECT_EQ(after.left(44), header);
  const std::vector<int16_t> want = {500, -500, -16384, 16384, 2, -2, 2, 0, 0, 0};
  EXPECT_EQ(ToSamples(after.mid(44)), want);
}

TEST_F(Normalize, GainIsSinglePrecisionAndSaturatesAbove100) {
  const std::vector<int16_t> s = {20000, -20000, 1000, 10, -32768};
  const QString path = Put(Samples(s));
  ASSERT_TRUE(NormalizeFile(path, 200, &window));
  EXPECT_EQ(ToSamples(Read(path).mid(44)), (std::vector<int16_t>{32767, -32768, 2000, 20, -32768}));
  // 95 % is 0.949999988 in single precision: 10 * g = 9.49999988 -> 9.
  const QString again = Put(Samples({10, 30, -30}));
  ASSERT_TRUE(NormalizeFile(again, 95, &window));
  EXPECT_EQ(ToSamples(Read(again).mid(44)), (std::vector<int16_t>{9, 28, -28}));
}

TEST_F(Normalize, PostsTheStartAndTheProgressOfEachBlock) {
  // 44 + 10000 bytes: blocks of 2048 -> progress before each of 5 blocks
  // and one before the final empty read, each a new percentage.
  std::vector<int16_t> s(5000, 100);
  const QString path = Put(Samples(s));
  ASSERT_TRUE(NormalizeFile(path, 90, &window));
  ASSERT_TRUE(window.WaitFor([&] { return window.Snapshot().size() >= 7; }));
  const auto got = window.Snapshot();
  ASSERT_EQ(got.size(), 7u);
  EXPECT_EQ(got[0].Message, WM_PROCESS_INFO);
  EXPECT_EQ(got[0].Info.Code, 999);
  std::vector<int> codes;
  for (size_t i = 1; i < got.size(); ++i) codes.push_back(got[i].Info.Code);
  const int64_t total = 10044;
  std::vector<int> want;
  for (int64_t done = 44; done < total; done += 2048) want.push_back(int(done * 100 / total));
  want.push_back(100);
  EXPECT_EQ(codes, want);
  EXPECT_TRUE(got[1].Info.Elapsed.isEmpty());  // code 0
}

TEST_F(Normalize, PostsProgressOnlyWhenThePercentageMoves) {
  // 44 + 1 MB: 512 blocks, but no percentage posted twice; the samples
  // are still scaled across the chunk boundaries.
  std::vector<int16_t> s(512 * 1024, 1001);
  const QString path = Put(Samples(s));
  ASSERT_TRUE(NormalizeFile(path, 50, &window));
  const int64_t total = 44 + int64_t(s.size()) * 2;
  std::vector<int> want;
  for (int64_t done = 44; done < total; done += 2048) {
    const int code = int(done * 100 / total);
    if (want.empty() || want.back() != code) want.push_back(code);
  }
  want.push_back(100);
  ASSERT_TRUE(window.WaitFor([&] { return window.Snapshot().size() >= want.size() + 1; }));
  const auto got = window.Snapshot();
  std::vector<int> codes;
  for (size_t i = 1; i < got.size(); ++i) codes.push_back(got[i].Info.Code);
  EXPECT_EQ(codes, want);
  const auto samples = ToSamples(Read(path).mid(44));
  ASSERT_EQ(samples.size(), s.size());
  EXPECT_EQ(std::count(samples.begin(), samples.end(), int16_t(500)), ptrdiff_t(s.size()));
}

TEST_F(Normalize, FailuresKeepTheTrack) {
  EXPECT_FALSE(NormalizeFile(dir.filePath("missing.wav"), 50, &window));
  EXPECT_FALSE(QFile::exists(dir.filePath("missing.nor")));
  // A ".nor" that cannot be created (a folder of that name): the track
  // stays as it was.
  const QString path = Put(Samples({1000, 2000}));
  const QByteArray before = Read(path);
  ASSERT_TRUE(QDir(dir.path()).mkdir("track.nor"));
  EXPECT_FALSE(NormalizeFile(path, 50, &window));
  EXPECT_EQ(Read(path), before);
}
