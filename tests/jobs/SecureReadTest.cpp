// Secure reads and the read offset, from the settings through the
// extraction thread to the drive library, on images with flaky sectors.
#include "jobs/CDRipThread.h"
#include "platform/CdSecureRead.h"

#include "../platform/CdImageFixture.h"
#include "CdTestDrives.h"
#include "MessageSink.h"
#include "platform/CdDriveLibrary.h"
#include "platform/CdHandles.h"
#include "settings/OptionsSetting.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

namespace {

class SecureReadTest : public TCdImageFixture {
 protected:
  void SetUp() override {
    TCdImageFixture::SetUp();
    OptionsSetting = TOptionsSetting{};
    OptionsSetting.CommonOptions.OutputFolder = dir_.path();
    disc_.Tracks = {Track(TTrackContent::Ramp, 30), Track(TTrackContent::Noise, 25)};
    AddImage("Flaky", disc_);
  }
  void TearDown() override {
    if (handle_) CloseCDHandle(handle_);
    TCdImageFixture::TearDown();
  }
  void Open(const char* flaky) {
    QFile f(DiscsFolder() + "/Flaky.flaky");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(flaky);
    f.close();
    handle_ = OpenDriveByProduct("Flaky");
    ASSERT_NE(handle_, 0);
  }
  // The image opened directly, for reads below the drive library.
  std::unique_ptr<TCdDisc> OpenDisc() const {
    int32_t error = 0;
    return TCdDisc::Open(CuePath("Flaky"), true, &error);
  }
  // Rips a track; its audio bytes and report.
  QByteArray Rip(int track, TRipTrackReport* report = nullptr) {
    TCDRipThread thread(track, "t");
    thread.CDHandle = handle_;
    thread.NotifyWindow = &sink_;
    thread.Resume();
    thread.WaitFor();
    if (report) *report = thread.Report;
    QFile f(dir_.path() + "/t.wav");
    return f.open(QIODevice::ReadOnly) ? f.readAll().mid(44) : QByteArray();
  }
  QByteArray Image(int64_t first, int64_t count) const {
    QByteArray b;
    for (int64_t s = first; s < first + count; ++s) b += ImageSector(disc_, s);
    return b;
  }

  TDiscDescription disc_;
  int32_t handle_ = 0;
  TMessageSink sink_;
};

TEST_F(SecureReadTest, SecureReadsGetFlakySectorsRightWhereOneReadDoesNot) {
  Open("3\n12-13\n40\n");
  for (const bool secure : {false, true}) {
    OptionsSetting.CDOptions.SecureRead = secure;
    TRipTrackReport report;
    EXPECT_EQ(Rip(1, &report) == Image(0, 30), secure) << secure;
    EXPECT_EQ(Rip(2) == Image(30, 25), secure) << secure;
    EXPECT_EQ(report.Status, kRipDone);
  }
  PumpEventsUntil([] { return false; }, 10);
}

// Overlapping ranges name a sector once: it still reads true every second
// time, and secure reads get it right.
TEST_F(SecureReadTest, ASectorListedTwiceIsStillFlakyOnlyEveryOtherRead) {
  Open("1\n1\n0-2\n1\n");
  auto disc = OpenDisc();
  ASSERT_TRUE(disc);
  int32_t error = 0;
  QByteArray out(kRawSectorBytes, 0);
  auto* data = reinterpret_cast<uint8_t*>(out.data());
  ASSERT_TRUE(disc->ReadSectors(1, 1, data, &error));
  EXPECT_NE(out, Image(1, 1));
  ASSERT_TRUE(disc->ReadSectors(1, 1, data, &error));
  EXPECT_EQ(out, Image(1, 1));
  QByteArray range(3 * kRawSectorBytes, 0);
  ASSERT_TRUE(ReadAudioRange(*disc, 0, 3, TCdReadMode{true, 0},
                             reinterpret_cast<uint8_t*>(range.data()), &error));
  EXPECT_EQ(range, Image(0, 3));
}

// Two agreeing reads settle a clean range; a flaky one takes all sixteen
// (its true data comes back on every second read); burst reads once.
TEST_F(SecureReadTest, ReadsMadePerRange) {
  Open("5\n");
  auto disc = OpenDisc();
  ASSERT_TRUE(disc);
  int32_t error = 0;
  std::vector<uint8_t> out(10 * 2352);
  struct Case {
    int64_t Lsn;
    bool Secure;
    int Reads;
  };
  for (const Case c : {Case{10, true, 2}, Case{0, true, kSecureMaxReads}, Case{0, false, 1}}) {
    int reads = 0;
    ASSERT_TRUE(ReadAudioRange(*disc, c.Lsn, 10, {c.Secure, 0}, out.data(), &error, &reads));
    EXPECT_EQ(reads, c.Reads) << c.Lsn << " " << c.Secure;
  }
  int reads = 0;
  ASSERT_TRUE(ReadAudioRange(*disc, 0, 10, {true, 0}, out.data(), &error, &reads));
  EXPECT_TRUE(QByteArray(reinterpret_cast<const char*>(out.data()), 23520) == Image(0, 10));
}

// Two flaky sectors out of step (one read once more than the other): one of
// them is wrong on every read of their range, which never reads the same
// twice and fails after sixteen reads.
TEST_F(SecureReadTest, RangeThatNeverAgreesFails) {
  Open("5-6\n");
  auto disc = OpenDisc();
  ASSERT_TRUE(disc);
  int32_t error = 0;
  std::vector<uint8_t> out(10 * 2352);
  ASSERT_TRUE(ReadAudioRange(*disc, 5, 1, {false, 0}, out.data(), &error));
  int reads = 0;
  EXPECT_FALSE(ReadAudioRange(*disc, 0, 10, {true, 0}, out.data(), &error, &reads));
  EXPECT_EQ(error, kCdErrReadFailed);
  EXPECT_EQ(reads, kSecureMaxReads);
}

// The offset moves the audio by whole samples; beyond the disc's first and
// last sector the drive gives silence.
TEST_F(SecureReadTest, ReadOffsetShiftsTheAudio) {
  Open("");
  const QByteArray disc = Image(0, 55);
  struct Case {
    int Track;
    int Offset;
    QByteArray Expected;
  };
  for (const Case& c : {Case{1, 300, disc.mid(1200, 30 * 2352)},
                        Case{1, -300, QByteArray(1200, 0) + disc.left(30 * 2352 - 1200)},
                        Case{2, 300, disc.mid(30 * 2352 + 1200) + QByteArray(1200, 0)},
                        Case{2, -1000, disc.mid(30 * 2352 - 4000, 25 * 2352)}}) {
    OptionsSetting.CDOptions.ReadOffset = c.Offset;
    EXPECT_TRUE(Rip(c.Track) == c.Expected) << c.Track << " " << c.Offset;
  }
  PumpEventsUntil([] { return false; }, 10);
}

// Through libcdio-paranoia (a physical drive's path, forced here on the
// image) the samples are those of a direct read, offset included.
TEST_F(SecureReadTest, ParanoiaReadsLikeTheDisc) {
  Open("");
  auto disc = OpenDisc();
  ASSERT_TRUE(disc);
  int32_t error = 0;
  const QByteArray image = Image(0, 55);
  for (const int offset : {0, 300, -1000}) {
    QByteArray got;
    std::vector<uint8_t> out(10 * 2352);
    for (int64_t lsn = 0; lsn < 55; lsn += 10) {
      const int n = int(std::min<int64_t>(10, 55 - lsn));
      ASSERT_TRUE(ReadAudioRange(*disc, lsn, n, {true, offset, true}, out.data(), &error));
      got += QByteArray(reinterpret_cast<const char*>(out.data()), n * 2352);
    }
    ASSERT_TRUE(disc->ReadsThroughParanoia());
    const QByteArray expected =
        offset >= 0 ? image.mid(offset * 4) + QByteArray(offset * 4, 0)
                    : QByteArray(-offset * 4, 0) + image.left(image.size() + offset * 4);
    EXPECT_TRUE(got == expected) << offset;
  }
  EXPECT_TRUE(disc->TakeSuspiciousSectors().empty());
  // The drive library leaves an image's reads direct.
  ASSERT_EQ(CdSetReadMode(handle_, true, 0), 1);
  EXPECT_FALSE(FindCdHandle(handle_)->ReadMode.Paranoia);
}

TEST_F(SecureReadTest, SettingsKeysDefaultAndBounds) {
  QFile ini(SettingsFile());
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[CDOptions]\r\nReadOffset=99999\r\n");
  ini.close();
  LoadSettings();
  EXPECT_TRUE(OptionsSetting.CDOptions.SecureRead);
  EXPECT_EQ(OptionsSetting.CDOptions.ReadOffset, kMaxReadOffset);
  OptionsSetting.CDOptions.SecureRead = false;
  OptionsSetting.CDOptions.ReadOffset = -48;
  SaveSettings();
  OptionsSetting = TOptionsSetting{};
  LoadSettings();
  EXPECT_FALSE(OptionsSetting.CDOptions.SecureRead);
  EXPECT_EQ(OptionsSetting.CDOptions.ReadOffset, -48);
}

}  // namespace
