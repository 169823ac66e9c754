#include "jobs/CDRipThread.h"
#include "platform/AccurateRipDb.h"

#include "AccurateRipServer.h"
#include "CdTestDrives.h"
#include "DiscImage.h"
#include "MessageSink.h"
#include "platform/CdDriveLibrary.h"
#include "platform/ProgramFolder.h"
#include "settings/OptionsSetting.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class AccurateRipTest : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    SetProgramFolder(dir_.path());
    OptionsSetting = TOptionsSetting{};
    OptionsSetting.CommonOptions.OutputFolder = dir_.path();
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/discs"));
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/www"));
    TDiscDescription disc;
    for (int64_t sectors : {20, 33, 25}) {
      TTrackDescription t;
      t.Sectors = sectors;
      t.Content = TTrackContent::Noise;
      t.Seed = static_cast<uint32_t>(sectors);
      disc.Tracks.push_back(t);
    }
    QString error;
    ASSERT_TRUE(WriteDiscImage(disc, dir_.path() + "/discs/Ar.cue", &error));
    handle_ = OpenDriveByProduct("Ar");
    ASSERT_NE(handle_, 0);
    SetAccurateRipBaseUrl("");
    ForgetAccurateRipReplies();
    reports_ = RipAll();  // lookups off: the sums alone
  }

  void TearDown() override {
    SetAccurateRipBaseUrl("");
    ForgetAccurateRipReplies();
    if (handle_) CloseCDHandle(handle_);
    SetProgramFolder(QString());
  }

  std::vector<TRipTrackReport> RipAll() {
    std::vector<TRipTrackReport> out;
    for (int track = 1; track <= 3; ++track) {
      TCDRipThread thread(track, QString("t%1").arg(track));
      thread.CDHandle = handle_;
      thread.NotifyWindow = &sink_;
      thread.Resume();
      thread.WaitFor();
      out.push_back(thread.Report);
    }
    PumpEventsUntil([] { return false; }, 10);
    return out;
  }

  // Serves bytes as the disc's entry (none when empty), rips every track
  // through the server and returns what each track's lookup found.
  // With viaProxy the base URL names a host that does not exist and the
  // server is the freedb settings' proxy (which finds the file under
  // "http:/<host>/", as it maps a proxy request's URL onto its folder).
  std::vector<TAccurateRipVerdict> RipAgainst(const QByteArray& entry, bool viaProxy = false) {
    const TAccurateRipDiscIds& ids = reports_[0].DiscIds;
    const QString root = viaProxy ? "/www/http:/accuraterip.invalid" : "/www";
    const QString path =
        dir_.path() + root + "/accuraterip/" + QString::fromStdString(AccurateRipEntryPath(ids));
    if (!entry.isEmpty()) {
      EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
      QFile f(path);
      EXPECT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(entry);
    }
    TStaticHttpServer server(dir_.path() + "/www");
    EXPECT_NE(server.Port(), 0);
    const std::string local = "http://127.0.0.1:" + std::to_string(server.Port());
    SetAccurateRipBaseUrl((viaProxy ? "http://accuraterip.invalid" : local) + "/accuraterip");
    OptionsSetting.QueryCDDB.UseProxy = viaProxy;
    OptionsSetting.QueryCDDB.ProxyAddress = "127.0.0.1";
    OptionsSetting.QueryCDDB.Port = QString::number(server.Port());
    ForgetAccurateRipReplies();
    std::vector<TAccurateRipVerdict> verdicts;
    for (const TRipTrackReport& r : RipAll()) verdicts.push_back(r.AccurateRip);
    return verdicts;
  }

  uint32_t V1(int i) const { return reports_[i].Checksums.AccurateRipV1; }
  uint32_t V2(int i) const { return reports_[i].Checksums.AccurateRipV2; }
  const TAccurateRipDiscIds& Ids() const { return reports_[0].DiscIds; }

  QTemporaryDir dir_;
  int32_t handle_ = 0;
  TMessageSink sink_;
  std::vector<TRipTrackReport> reports_;
};

TEST_F(AccurateRipTest, MatchingEntriesGiveAccurateWithTheirConfidence) {
  // Two submissions: one of v2 sums, one whose second track holds a v1 sum.
  const QByteArray entry = DbarRecord(Ids(), {{7, V2(0)}, {5, V2(1)}, {9, V2(2)}}) +
                           DbarRecord(Ids(), {{3, V2(0)}, {4, V1(1)}, {2, 0xDEADBEEFu}});
  const auto v = RipAgainst(entry);
  ASSERT_EQ(v.size(), 3u);
  EXPECT_EQ(v[0].Match, TAccurateRipMatch::Accurate);
  EXPECT_EQ(v[0].Version, 2);
  EXPECT_EQ(v[0].Confidence, 10);
  EXPECT_EQ(v[1].Match, TAccurateRipMatch::Accurate);
  EXPECT_EQ(v[1].Confidence, 9);
  EXPECT_EQ(v[2].Match, TAccurateRipMatch::Accurate);
  EXPECT_EQ(v[2].Confidence, 9);
}

TEST_F(AccurateRipTest, LookupGoesThroughTheFreedbProxy) {
  const auto v = RipAgainst(DbarRecord(Ids(), {{7, V2(0)}, {5, V2(1)}, {9, V2(2)}}), true);
  ASSERT_EQ(v.size(), 3u);
  for (const auto& verdict : v) EXPECT_EQ(verdict.Match, TAccurateRipMatch::Accurate);
}

TEST_F(AccurateRipTest, DifferentSumsGiveNotAccurate) {
  const auto v = RipAgainst(DbarRecord(Ids(), {{7, V2(0) + 1}, {5, V1(1) ^ 4}, {9, 0}}));
  for (const auto& verdict : v) {
    EXPECT_EQ(verdict.Match, TAccurateRipMatch::NotAccurate);
    EXPECT_GT(verdict.Confidence, 0);
  }
}

// No entry, a cut-off entry, another disc's entry, or no server: never
// "accurate".
TEST_F(AccurateRipTest, UnusableRepliesAreNotPresent) {
  const QByteArray good = DbarRecord(Ids(), {{7, V2(0)}, {5, V2(1)}, {9, V2(2)}});
  TAccurateRipDiscIds other = Ids();
  other.Id2 += 1;
  for (const QByteArray& entry :
       {QByteArray(), good.left(good.size() - 3), good + QByteArray("\x03", 1),
        DbarRecord(other, {{7, V2(0)}, {5, V2(1)}, {9, V2(2)}})}) {
    for (const auto& verdict : RipAgainst(entry))
      EXPECT_EQ(verdict.Match, TAccurateRipMatch::NotPresent) << entry.size();
    QDir(dir_.path() + "/www/accuraterip").removeRecursively();
  }
  // A port nothing listens on any more.
  int port = 0;
  {
    TStaticHttpServer gone(dir_.path() + "/www");
    port = gone.Port();
  }
  SetAccurateRipBaseUrl("http://127.0.0.1:" + std::to_string(port) + "/accuraterip");
  ForgetAccurateRipReplies();
  for (const TRipTrackReport& r : RipAll())
    EXPECT_EQ(r.AccurateRip.Match, TAccurateRipMatch::NotPresent);
}

TEST(AccurateRipReplyTest, ParsesRecordsAndRefusesDamagedOnes) {
  TAccurateRipDiscIds ids;
  ids.AudioTracks = 2;
  ids.Id1 = 0x01020304;
  ids.Id2 = 0xA0B0C0D0;
  ids.FreedbId = 0x11223344;
  const QByteArray one = DbarRecord(ids, {{200, 0x89ABCDEF}, {1, 0x01}});
  const auto parsed = ParseAccurateRipReply(one.toStdString());
  ASSERT_TRUE(parsed.has_value());
  ASSERT_EQ(parsed->size(), 1u);
  EXPECT_EQ((*parsed)[0].Id2, 0xA0B0C0D0u);
  EXPECT_EQ((*parsed)[0].Tracks[0].Confidence, 200);
  EXPECT_EQ((*parsed)[0].Tracks[0].Crc, 0x89ABCDEFu);
  EXPECT_EQ((*parsed)[0].Tracks[1].Frame450Crc, 0x450450u);
  EXPECT_EQ(ParseAccurateRipReply((one + one).toStdString())->size(), 2u);
  QByteArray zeroTracks = one;
  zeroTracks[0] = 0;
  for (const QByteArray& bad : {QByteArray(), one.left(12), one.left(one.size() - 1), zeroTracks,
                                one + QByteArray("\x01", 1)})
    EXPECT_FALSE(ParseAccurateRipReply(bad.toStdString()).has_value()) << bad.size();
  // A track beyond the record is not present.
  EXPECT_EQ(MatchAccurateRip(*parsed, ids, 2, 1, 1).Match, TAccurateRipMatch::NotPresent);
}

}  // namespace
