// The rip log and the verdict at the end of a rip, through the job runner
// with the real extraction thread, on a generated image and a local
// AccurateRip server.
#include "jobs/JobKinds.h"
#include "jobs/JobRunner.h"
#include "jobs/RipLog.h"
#include "jobs/TrackChecksums.h"
#include "platform/AccurateRipDb.h"

#include "../platform/CdImageFixture.h"
#include "AccurateRipServer.h"
#include "CdTestDrives.h"
#include "MessageSink.h"
#include "ScriptedDialogs.h"
#include "encoders/Mp3EncodeProcess.h"
#include "encoders/WMAEncodeProcess.h"
#include "platform/CdDriveLibrary.h"
#include "settings/OptionsSetting.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

namespace {

class RipLogTest : public TCdImageFixture {
 protected:
  void SetUp() override {
    TCdImageFixture::SetUp();
    QDir().mkpath(Path("out"));
    QDir().mkpath(Path("www"));
    OptionsSetting = TOptionsSetting{};
    OptionsSetting.CommonOptions.OutputFolder = Path("out");
    OptionsSetting.CommonOptions.OutputFormat = 1;  // WAV
    disc_ = AudioDisc({2, 2, 2});
    disc_.Tracks[1].Content = TTrackContent::Noise;
    AddImage("Logged", disc_);
    const TDiscLayout layout = LayoutOf(disc_);
    ids_ = AccurateRipDiscIds(layout.TrackStarts, layout.LeadOut, DiscIdOf(disc_));
  }
  void TearDown() override {
    runner_.reset();
    if (handle_) CloseCDHandle(handle_);
    SetAccurateRipBaseUrl("");
    TCdImageFixture::TearDown();
  }
  QString Path(const QString& name) const { return dir_.path() + "/" + name; }

  void Open(const char* badSectors = nullptr) {
    if (badSectors) {
      QFile bad(DiscsFolder() + "/Logged.bad");
      ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
      bad.write(badSectors);
    }
    handle_ = OpenDriveByProduct("Logged");
    ASSERT_NE(handle_, 0);
  }

  // The sums of track k (0-based) of the image.
  TTrackChecksumResult Sums(int k) const {
    const TDiscLayout layout = LayoutOf(disc_);
    const int64_t end = k + 1 < 3 ? layout.TrackStarts[size_t(k) + 1] : layout.LeadOut;
    QByteArray bytes;
    for (int64_t s = layout.TrackStarts[size_t(k)]; s < end; ++s) bytes += ImageSector(disc_, s);
    TTrackChecksums sums(k == 0, k == 2, bytes.size() / 4);
    sums.Update(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    return sums.Result();
  }

  // Rips all three tracks; returns the log's text.
  QString Rip() {
    runner_ = std::make_unique<TJobRunner>(
        kJobRipTracks, handle_, QStringList{"01One", "02Two", "03Three"}, nullptr, &mp3_, &wma_);
    runner_->Start();
    EXPECT_TRUE(PumpEventsUntil([&] { return runner_->Finished(); }, 60000));
    QFile log(runner_->RipLogPath());
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
  }

  TScriptedDialogs dialogs_;
  TMp3EncodeProcess mp3_;
  TWMAEncodeProcess wma_;
  TDiscDescription disc_;
  TAccurateRipDiscIds ids_;
  int32_t handle_ = 0;
  std::unique_ptr<TJobRunner> runner_;
};

TEST_F(RipLogTest, CleanRipIsLoggedAndVerified) {
  Open();
  OptionsSetting.CDInfo.Album = "Good Album";
  const QString entry =
      Path("www/accuraterip/") + QString::fromStdString(AccurateRipEntryPath(ids_));
  ASSERT_TRUE(QDir().mkpath(QFileInfo(entry).path()));
  QFile f(entry);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(DbarRecord(
      ids_,
      {{12, Sums(0).AccurateRipV2}, {15, Sums(1).AccurateRipV2}, {13, Sums(2).AccurateRipV1}}));
  f.close();
  TStaticHttpServer server(Path("www"));
  ASSERT_NE(server.Port(), 0);
  SetAccurateRipBaseUrl("http://127.0.0.1:" + std::to_string(server.Port()) + "/accuraterip");

  const QString log = Rip();
  EXPECT_EQ(runner_->RipLogPath(), Path("out/Good Album.log"));
  EXPECT_EQ(runner_->RipVerdict(), "3 of 3 tracks accurately ripped (confidence 12)");
  EXPECT_TRUE(log.startsWith("Trackwell " TW_VERSION " rip log\nDate: ")) << log.toStdString();
  for (const QString& line :
       {QString("Drive: Virtual Logged\n"), QString("Output: WAV\n"),
        QString("Read offset: 0 samples\n"), QString("  File: Two.wav\n"),
        QString("  Sectors: 150-299 (150 sectors)\n"),
        QString("  Copy CRC: %1\n").arg(QString::asprintf("%08X", Sums(1).CopyCrc)),
        QString("accurately ripped (v2, confidence 15)\n"),
        QString("accurately ripped (v1, confidence 13)\n"),
        QString("  Peak level: %1 %\n").arg(Sums(1).Peak * 100.0 / 32768, 0, 'f', 1),
        QString("\nSummary: 3 of 3 tracks accurately ripped (confidence 12)\nRead errors: 0\n")})
    EXPECT_TRUE(log.contains(line)) << line.toStdString() << "\n" << log.toStdString();
  EXPECT_EQ(log.count("Read errors: none"), 3);
}

TEST_F(RipLogTest, DamagedRipNamesItsReadErrors) {
  Open("170\n");
  const QString log = Rip();
  EXPECT_EQ(runner_->RipLogPath(), Path("out/" + QString::asprintf("%08x.log", DiscIdOf(disc_))));
  const QString verdict =
      "0 of 3 tracks accurately ripped, 2 not present in AccurateRip, 1 not extracted";
  EXPECT_EQ(runner_->RipVerdict(), verdict);
  for (const QString& line :
       {QString("  Read error: sectors 170-179 at 0:00.20\n"),
        QString("not present in AccurateRip\n"),
        QString("not checked (the track was not read whole)\n"),
        "\nSummary: " + verdict + "\nRead errors: 1\nSuspicious positions: 0\nEnd of log\n"})
    EXPECT_TRUE(log.contains(line)) << line.toStdString() << "\n" << log.toStdString();
  EXPECT_EQ(log.count("Read errors: none"), 2);
}

// Positions paranoia could not verify are named with their time in the
// track, counted at the end and in the verdict.
TEST(RipLogText, SuspiciousPositions) {
  TRipTrackReport t;
  t.TrackNumber = 4;
  t.FirstSector = 1000;
  t.Sectors = 9000;
  t.Status = kRipDone;
  t.Whole = true;
  t.Suspicious = {1000 + 61 * 75 + 3, 1000 + 4500 * 2 - 1};
  const QString log = RipLogText({}, {t});
  for (const QString& line :
       {QString("  Suspicious position: 1:01.03 (sector 5578)\n"),
        QString("  Suspicious position: 1:59.74 (sector 9999)\n"),
        QString("Suspicious positions: 2\n"), QString(", 1 with suspicious positions\n")})
    EXPECT_TRUE(log.contains(line)) << line.toStdString() << "\n" << log.toStdString();
}

}  // namespace
