#include "jobs/CDRipThread.h"
#include "jobs/WaveHeader.h"

#include "CdTestDrives.h"
#include "DiscImage.h"
#include "FileSizeLimit.h"
#include "MessageSink.h"
#include "platform/CdDriveLibrary.h"
#include "platform/ProgramFolder.h"
#include "settings/OptionsSetting.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/file.h>
#include <sys/resource.h>
#include <cmath>
#include <csignal>

namespace {

// A generated disc image opened through the drive library, and an output
// folder, both in a temporary program folder.
class RipThreadTest : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    SetProgramFolder(dir_.path());
    OptionsSetting = TOptionsSetting{};
    OptionsSetting.CommonOptions.OutputFolder = dir_.path() + "/out";
    OptionsSetting.CommonOptions.NormalizePercent = 95;
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/discs"));
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/out"));
  }

  void TearDown() override {
    if (handle_) CloseCDHandle(handle_);
    SetProgramFolder(QString());
  }

  // Writes the disc and opens it; the image is the only drive of the list
  // unless the machine has optical drives, which come first.
  void OpenDisc(const TDiscDescription& disc) {
    disc_ = disc;
    QString error;
    if (!QFile::exists(CuePath())) {
      ASSERT_TRUE(WriteDiscImage(disc_, CuePath(), &error)) << error.toStdString();
    }
    handle_ = OpenDriveByProduct("Rip");
    ASSERT_NE(handle_, 0) << "the generated image is not in the drive list";
  }

  QString CuePath() const { return dir_.path() + "/discs/Rip.cue"; }
  QString BinPath() const { return dir_.path() + "/discs/Rip.bin"; }
  QString Out(const QString& name) const { return dir_.path() + "/out/" + name; }

  // Runs a thread to its end and returns what it posted.
  std::vector<TMessageSink::Received> Rip(int track, const QString& title,
                                          bool stopAtOnce = false) {
    TCDRipThread thread(track, title);
    thread.CDHandle = handle_;
    thread.NotifyWindow = &sink_;
    if (stopAtOnce) thread.Stopped = true;
    thread.Resume();
    thread.WaitFor();
    PumpEventsUntil([] { return false; }, 50);
    return sink_.Snapshot();
  }

  // The samples the image holds for a span of sectors.
  QByteArray Expected(int64_t first, int64_t count) const {
    QByteArray out;
    for (int64_t s = first; s < first + count; ++s) out += ImageSector(disc_, s);
    return out;
  }

  static QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  static uint32_t Le32(const QByteArray& b, int at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
    return v;
  }

  static std::vector<int> ProgressCodes(const std::vector<TMessageSink::Received>& got) {
    std::vector<int> codes;
    for (const auto& r : got)
      if (r.Message == WM_PROCESS_INFO && r.Info.Code <= 100) codes.push_back(r.Info.Code);
    return codes;
  }

  static std::vector<int32_t> EndStatuses(const std::vector<TMessageSink::Received>& got) {
    std::vector<int32_t> s;
    for (const auto& r : got)
      if (r.Message == WM_PROCESS_INFO && r.Info.Code == kCodeTrackEnded)
        s.push_back(r.Info.Status);
    return s;
  }

  static TTrackDescription Track(int64_t sectors, TTrackContent content = TTrackContent::Ramp,
                                 int64_t gap = 0) {
    TTrackDescription t;
    t.Sectors = sectors;
    t.GapSectors = gap;
    t.Content = content;
    return t;
  }

  QTemporaryDir dir_;
  TDiscDescription disc_;
  int32_t handle_ = 0;
  TMessageSink sink_;
};

// Every track, ripped, holds exactly the image's sectors of that track.
void ExpectTracksCopiedByteForByte(RipThreadTest& test, const TDiscDescription& disc) {
  test.OpenDisc(disc);
  const TDiscLayout layout = LayoutOf(disc);
  const int tracks = static_cast<int>(disc.Tracks.size());
  for (int track = 1; track <= tracks; ++track) {
    test.sink_.Clear();
    const auto got = test.Rip(track, QString("T%1").arg(track));
    EXPECT_EQ(RipThreadTest::EndStatuses(got), std::vector<int32_t>{kRipDone}) << track;
    const int64_t start = layout.TrackStarts[track - 1];
    const int64_t end = track < tracks ? layout.TrackStarts[track] : layout.LeadOut;
    const QByteArray file = RipThreadTest::ReadAll(test.Out(QString("T%1.wav").arg(track)));
    const QByteArray audio = test.Expected(start, end - start);
    ASSERT_EQ(file.size(), 44 + audio.size()) << track;
    EXPECT_EQ(file.left(44), CdWaveHeader(audio.size()));
    EXPECT_TRUE(file.mid(44) == audio) << "track " << track << " differs from the image";
  }
}

TEST_F(RipThreadTest, TrackIsCopiedByteForByteBehindTheHeader) {
  TDiscDescription disc;
  disc.Tracks = {Track(25), Track(40, TTrackContent::Noise, 150), Track(20)};
  ExpectTracksCopiedByteForByte(*this, disc);
}

// Audio hidden before track 1: sector 0 of a read is where track 1 starts.
TEST_F(RipThreadTest, TrackOnePregapShiftsNoTrack) {
  TDiscDescription disc;
  disc.Tracks = {Track(25, TTrackContent::Ramp, 20), Track(40, TTrackContent::Noise, 150),
                 Track(20, TTrackContent::Ramp, 33)};
  ExpectTracksCopiedByteForByte(*this, disc);
}

TEST_F(RipThreadTest, ReadsAtMostTenSectorsWithOneProgressEach) {
  TDiscDescription disc;
  disc.Tracks = {Track(25), Track(20)};
  OpenDisc(disc);
  EXPECT_EQ(ProgressCodes(Rip(1, "a")), (std::vector<int>{40, 80, 100}));
  sink_.Clear();
  EXPECT_EQ(ProgressCodes(Rip(2, "b")), (std::vector<int>{50, 100}));
}

TEST_F(RipThreadTest, FirstTrackStartsAtSectorZero) {
  TDiscDescription disc;
  disc.Tracks = {Track(12)};
  OpenDisc(disc);
  Rip(1, "first");
  EXPECT_TRUE(ReadAll(Out("first.wav")).mid(44, 2352) == ImageSector(disc, 0));
}

TEST_F(RipThreadTest, LengthLimitTakesTheFirstSeconds) {
  TDiscDescription disc;
  disc.Tracks = {Track(4 * 60 * 75, TTrackContent::Silence)};
  OpenDisc(disc);
  OptionsSetting.CommonOptions.EnableRipTime = true;
  OptionsSetting.CommonOptions.RipTime = 30;
  const auto got = Rip(1, "limited");
  EXPECT_EQ(QFileInfo(Out("limited.wav")).size(), 5292044);
  EXPECT_EQ(Le32(ReadAll(Out("limited.wav")), 40), 5292000u);
  EXPECT_EQ(ProgressCodes(got).size(), 225u);
  EXPECT_EQ(ProgressCodes(got).back(), 100);
}

TEST_F(RipThreadTest, NegativeLimitMeansNoLimit) {
  TDiscDescription disc;
  disc.Tracks = {Track(30)};
  OpenDisc(disc);
  OptionsSetting.CommonOptions.EnableRipTime = true;
  OptionsSetting.CommonOptions.RipTime = -5;
  Rip(1, "all");
  EXPECT_EQ(QFileInfo(Out("all.wav")).size(), 44 + 30 * 2352);
}

TEST_F(RipThreadTest, ForbiddenTitleCreatesNoFile) {
  TDiscDescription disc;
  disc.Tracks = {Track(10)};
  OpenDisc(disc);
  for (const QString& title : {QString("AC/DC"), QString("../escape"), QString("What?"),
                               QString("a\"b"), QString("x|y")}) {
    sink_.Clear();
    EXPECT_EQ(EndStatuses(Rip(1, title)), std::vector<int32_t>{kRipCannotCreate})
        << title.toStdString();
  }
  EXPECT_TRUE(
      QDir(dir_.path() + "/out").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
  EXPECT_FALSE(QFile::exists(dir_.path() + "/escape.wav"));
}

// Another program holds the file (a lock): it is in use and stays as it was.
TEST_F(RipThreadTest, FileLockedElsewhereIsStatusFiveAndUntouched) {
  TDiscDescription disc;
  disc.Tracks = {Track(10)};
  OpenDisc(disc);
  QFile held(Out("held.wav"));
  ASSERT_TRUE(held.open(QIODevice::ReadWrite));
  held.write("someone else's data");
  held.flush();
  ASSERT_EQ(::flock(held.handle(), LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(EndStatuses(Rip(1, "held")), std::vector<int32_t>{kRipCannotCreate});
  EXPECT_EQ(ReadAll(Out("held.wav")), QByteArray("someone else's data"));
}

TEST_F(RipThreadTest, MissingOutputFolderIsStatusFive) {
  TDiscDescription disc;
  disc.Tracks = {Track(10)};
  OpenDisc(disc);
  OptionsSetting.CommonOptions.OutputFolder = dir_.path() + "/nowhere";
  EXPECT_EQ(EndStatuses(Rip(1, "x")), std::vector<int32_t>{kRipCannotCreate});
}

TEST_F(RipThreadTest, StopLeavesAValidShorterFileAndNoEndMessage) {
  TDiscDescription disc;
  disc.Tracks = {Track(50)};
  OpenDisc(disc);
  const auto got = Rip(1, "stopped", /*stopAtOnce=*/true);
  EXPECT_TRUE(EndStatuses(got).empty());
  EXPECT_EQ(ProgressCodes(got), std::vector<int>{20});
  const QByteArray file = ReadAll(Out("stopped.wav"));
  ASSERT_EQ(file.size(), 44 + 10 * 2352);
  EXPECT_EQ(file.left(44), CdWaveHeader(10 * 2352));
  EXPECT_TRUE(file.mid(44) == Expected(0, 10));
}

TEST_F(RipThreadTest, FailedReadInTheThirdChunkKeepsTwoChunksAndAZeroHeader) {
  TDiscDescription disc;
  disc.Tracks = {Track(40)};
  QString error;
  ASSERT_TRUE(WriteDiscImage(disc, CuePath(), &error));
  // Sector 23 cannot be read, as on a scratched disc.
  QFile bad(dir_.path() + "/discs/Rip.bad");
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("23\n");
  bad.close();
  OpenDisc(disc);
  const auto got = Rip(1, "broken");
  EXPECT_EQ(EndStatuses(got), std::vector<int32_t>{kRipReadFailed});
  EXPECT_EQ(ProgressCodes(got), (std::vector<int>{25, 50, 75}));
  const QByteArray file = ReadAll(Out("broken.wav"));
  ASSERT_EQ(file.size(), 44 + 2 * 23520);
  EXPECT_EQ(Le32(file, 40), 0u);
  EXPECT_EQ(Le32(file, 4), 36u);
  EXPECT_TRUE(file.mid(44) == Expected(0, 20));
}

TEST_F(RipThreadTest, BadHandleAndBadTrackAreRipErrors) {
  TDiscDescription disc;
  disc.Tracks = {Track(10)};
  OpenDisc(disc);
  const int32_t good = handle_;
  handle_ = 9;  // never handed out
  auto got = Rip(1, "x");
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Message, WM_RIP_ERROR);
  EXPECT_EQ(got[0].LParam, 1);
  handle_ = good;
  sink_.Clear();
  got = Rip(2, "x");  // the disc has one track
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Message, WM_RIP_ERROR);
  EXPECT_EQ(got[0].LParam, 2);
  EXPECT_FALSE(QFile::exists(Out("x.wav")));
}

TEST_F(RipThreadTest, FullDiskRemovesThePartialFile) {
  TDiscDescription disc;
  disc.Tracks = {Track(60)};
  OpenDisc(disc);
  std::vector<TMessageSink::Received> got;
  {
    TFileSizeLimit full(44 + 3 * 23520 + 100);
    got = Rip(1, "full");
  }
  EXPECT_EQ(EndStatuses(got), std::vector<int32_t>{kRipWriteFailed});
  EXPECT_FALSE(QFile::exists(Out("full.wav")));
}

TEST_F(RipThreadTest, NormalisingScalesTheFinishedFile) {
  TDiscDescription disc;
  disc.Tracks = {Track(20)};
  OpenDisc(disc);
  OptionsSetting.CommonOptions.IsNormalize = true;
  OptionsSetting.CommonOptions.NormalizePercent = 50;
  const auto got = Rip(1, "loud");
  EXPECT_EQ(EndStatuses(got), std::vector<int32_t>{kRipDone});
  int normalizeAt = -1, endAt = -1;
  for (size_t i = 0; i < got.size(); ++i) {
    if (got[i].Info.Code == kCodeNormalizeBegins) normalizeAt = static_cast<int>(i);
    if (got[i].Info.Code == kCodeTrackEnded) endAt = static_cast<int>(i);
  }
  ASSERT_GE(normalizeAt, 0);
  EXPECT_LT(normalizeAt, endAt);
  const QByteArray file = ReadAll(Out("loud.wav"));
  const QByteArray source = Expected(0, 20);
  ASSERT_EQ(file.size(), 44 + source.size());
  for (int i = 0; i < source.size(); i += 2) {
    const int16_t in = static_cast<int16_t>(static_cast<uint8_t>(source[i]) |
                                            (static_cast<uint8_t>(source[i + 1]) << 8));
    const int16_t out = static_cast<int16_t>(static_cast<uint8_t>(file[44 + i]) |
                                             (static_cast<uint8_t>(file[44 + i + 1]) << 8));
    ASSERT_EQ(out, static_cast<int16_t>(std::nearbyint(in * 0.5f))) << "sample " << i / 2;
  }
  EXPECT_FALSE(QFile::exists(Out("loud.nor")));
}

TEST_F(RipThreadTest, EmptyTrackGivesAnEmptyWavFile) {
  // A zero-length span cannot come from a generated disc; a limit of 0
  // seconds stands in for it.
  TDiscDescription disc;
  disc.Tracks = {Track(10)};
  OpenDisc(disc);
  OptionsSetting.CommonOptions.EnableRipTime = true;
  OptionsSetting.CommonOptions.RipTime = 0;
  const auto got = Rip(1, "empty");
  EXPECT_EQ(EndStatuses(got), std::vector<int32_t>{kRipDone});
  EXPECT_EQ(ProgressCodes(got), std::vector<int>{100});
  EXPECT_EQ(ReadAll(Out("empty.wav")), CdWaveHeader(0));
}

}  // namespace
