// Opening drives, the audio-disc test, the disc key and the track list, on
// generated disc images in a temporary program folder.
#include "../platform/CdImageFixture.h"
#include "cd/DiscId.h"
#include "cd/DriveAccess.h"
#include "platform/CdDriveLibrary.h"
#include "settings/CDInfo.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QFile>

#include <cstring>

namespace {
QString MsfText(int64_t absoluteSectors) {
  return QString("%1:%2")
      .arg(absoluteSectors / 4500, 2, 10, QChar('0'))
      .arg(absoluteSectors / 75 % 60, 2, 10, QChar('0'));
}

class DriveAccess : public TCdImageFixture {
 protected:
  void SetUp() override {
    TCdImageFixture::SetUp();
    OptionsSetting.CDInfo = TCDInfo();
  }
  void TearDown() override {
    for (int32_t h = 1; h <= kMaxCDHandles; ++h) CloseCDHandle(h);
    OptionsSetting.CDInfo = TCDInfo();
    TCdImageFixture::TearDown();
  }

  static TTrackDescription Silent(int64_t sectors) {
    return Track(TTrackContent::Silence, sectors);
  }

  TDriveAccess drive;
};

TEST_F(DriveAccess, NoDriveReportsNoDevices) {
  EXPECT_EQ(drive.OpenDrive(0), 0);
  EXPECT_EQ(drive.StatusText(), "No CD devices found!");
  EXPECT_EQ(drive.CDHandle(), 0);
  EXPECT_EQ(drive.DriveCount(), 0);
  EXPECT_FALSE(drive.HasAudioCD());
  drive.LoadTrackList();
  EXPECT_TRUE(drive.Rows().empty());
  EXPECT_TRUE(drive.CurrentDiscKey().isEmpty());
}

TEST_F(DriveAccess, PositionOutsideTheListIsAConfigurationError) {
  AddImage("alpha", AudioDisc({2}));
  AddImage("beta", AudioDisc({3}));
  for (int position : {2, -1, 3}) {
    drive.SetCDHandle(7);
    EXPECT_EQ(drive.OpenDrive(position), 0) << position;
    EXPECT_EQ(drive.StatusText(), "CD device information error in your configration!");
    EXPECT_EQ(drive.CDHandle(), 0);
  }
  EXPECT_NE(drive.OpenDrive(1), 0);
  EXPECT_EQ(drive.StatusText(), "Virtual beta");
  EXPECT_EQ(drive.DriveCount(), 2);
  EXPECT_EQ(drive.DriveDescription(0), "Virtual alpha");
  EXPECT_TRUE(drive.DriveDescription(2).isEmpty());
}

TEST_F(DriveAccess, AllHandlesTakenClosesOneAndRetries) {
  AddImage("busy", AudioDisc({2}));
  CDList list;
  std::memset(&list, 0, sizeof list);
  list.Capacity = kCDListCapacity;
  ASSERT_EQ(GetCDList(&list), 1);
  CDHandleRequest request{12, 1, list.Entries[0].HostAdapter, list.Entries[0].Target, 0, 0, 0,
                          0,  0};
  for (int i = 0; i < kMaxCDHandles; ++i) ASSERT_NE(GetCDHandle(&request), 0);
  EXPECT_EQ(drive.OpenDrive(0), 1);  // handle 1 was closed and taken again
  EXPECT_EQ(drive.StatusText(), "Virtual busy");
}

TEST_F(DriveAccess, HasAudioCdLooksAtTheFirstDriveOnly) {
  TDiscDescription data;
  data.Tracks.push_back(Track(TTrackContent::Data, 100));
  AddImage("b-audio", AudioDisc({2}));
  EXPECT_TRUE(drive.HasAudioCD());
  EXPECT_TRUE(IsAudioCDDrive(0));
  AddImage("a-data", data);
  EXPECT_FALSE(drive.HasAudioCD());
  EXPECT_FALSE(IsAudioCDDrive(0));
  EXPECT_TRUE(IsAudioCDDrive(1));
  EXPECT_FALSE(IsAudioCDDrive(2));
}

TEST_F(DriveAccess, TwelveTracksEndingAtTheLeadOut) {
  // Lead-out at 45:10 absolute; eleven tracks of 3:40, the twelfth the rest.
  TDiscDescription disc;
  for (int i = 0; i < 11; ++i) disc.Tracks.push_back(Silent(220 * 75));
  const int64_t leadOut = (45 * 60 + 10) * 75 - 150;
  disc.Tracks.push_back(Silent(leadOut - 11 * 220 * 75));
  AddImage("twelve", disc);
  ASSERT_NE(drive.OpenDrive(0), 0);
  drive.LoadTrackList();
  ASSERT_EQ(drive.Rows().size(), 12u);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(drive.Rows()[i].Caption, QString::number(i + 1));
  EXPECT_EQ(drive.Rows()[0].Length, "03:40");
  // Track 12 starts at 40:22; 45:10 minus 40:22 borrows a minute.
  EXPECT_EQ(MsfText(LayoutOf(disc).TrackStarts[11] + 150), "40:22");
  EXPECT_EQ(drive.Rows()[11].Length, "04:48");
  EXPECT_EQ(drive.Rows()[11].Title, "Track12");
}

TEST_F(DriveAccess, RowsCarryExactLengthsAndSizes) {
  TDiscDescription disc;
  disc.Tracks.push_back(Silent((2 * 60 + 56) * 75));  // 00:02 to 02:58
  disc.Tracks.push_back(Silent((2 * 60 + 5) * 75));   // 02:58 to 05:03
  disc.Tracks.push_back(Silent(25 * 75));
  disc.Tracks.push_back(Silent(247 * 75));
  AddImage("lengths", disc);
  ASSERT_NE(drive.OpenDrive(0), 0);
  drive.LoadTrackList();
  ASSERT_EQ(drive.Rows().size(), 4u);
  EXPECT_EQ(drive.Rows()[0].Length, "02:56");
  EXPECT_EQ(drive.Rows()[1].Length, "02:05");
  EXPECT_EQ(drive.Rows()[2].Length, "00:25");
  EXPECT_EQ(drive.Rows()[2].Size, "04.21");
  EXPECT_EQ(drive.Rows()[3].Length, "04:07");
  EXPECT_EQ(drive.Rows()[3].Size, "41.55");
}

TEST_F(DriveAccess, CdExtraDataTrackIsAnOrdinaryRow) {
  TDiscDescription disc = AudioDisc({3, 4, 5});
  disc.Tracks.push_back(Track(TTrackContent::Data, 6 * 75, 150));
  AddImage("extra", disc);
  ASSERT_NE(drive.OpenDrive(0), 0);
  EXPECT_TRUE(drive.HasAudioCD());
  drive.LoadTrackList();
  ASSERT_EQ(drive.Rows().size(), 4u);
  EXPECT_EQ(drive.Rows()[3].Caption, "4");
  EXPECT_EQ(drive.Rows()[3].Title, "Track04");
  EXPECT_EQ(drive.Rows()[3].Length, "00:06");
  EXPECT_EQ(drive.Rows()[2].Length, "00:07");  // the gap before the data track counts
}

TEST_F(DriveAccess, TitlesComeFromTheCatalogueAndRevertOnRebuild) {
  TDiscDescription disc = AudioDisc({2, 2, 2});
  disc.Artist = "Somebody";
  disc.Album = "Something";
  disc.Titles = QStringList{"First", "Second", "Third"};
  AddImage("titled", disc);
  QString error;
  ASSERT_TRUE(WriteCatalogueSection(disc, DiscCatalogueFile(), false, &error));

  ASSERT_NE(drive.OpenDrive(0), 0);
  const QString key = drive.CurrentDiscKey();
  EXPECT_EQ(key, DiscKeyFromId(DiscIdOf(disc)));
  drive.LoadTrackList();
  ASSERT_EQ(drive.Rows().size(), 3u);
  EXPECT_EQ(drive.Rows()[1].Title, "Second");
  EXPECT_EQ(OptionsSetting.CDInfo.Artist, "Somebody");
  EXPECT_EQ(OptionsSetting.CDInfo.TrackNumber, 3);

  OptionsSetting.CDInfo.Tracks[2] = "Renamed";
  drive.LoadTrackList();
  EXPECT_EQ(drive.Rows()[1].Title, "Second");
}

TEST_F(DriveAccess, UnknownDiscGetsDefaultTitles) {
  AddImage("fresh", AudioDisc({2, 2}));
  OptionsSetting.CDInfo.Tracks[1] = "Left over";
  ASSERT_NE(drive.OpenDrive(0), 0);
  drive.LoadTrackList();
  ASSERT_EQ(drive.Rows().size(), 2u);
  EXPECT_EQ(drive.Rows()[0].Title, "Track01");
  EXPECT_EQ(drive.Rows()[1].Title, "Track02");
}

TEST_F(DriveAccess, DataOnlyDiscHasNoKeyButItsRows) {
  TDiscDescription disc;
  disc.Tracks.push_back(Track(TTrackContent::Data, 300));
  AddImage("data", disc);
  ASSERT_NE(drive.OpenDrive(0), 0);
  EXPECT_FALSE(drive.HasAudioCD());
  EXPECT_TRUE(drive.CurrentDiscKey().isEmpty());
  OptionsSetting.CDInfo.Artist = "kept";
  drive.LoadTrackList();
  EXPECT_EQ(OptionsSetting.CDInfo.Artist, "kept");  // no catalogue entry loaded
  EXPECT_EQ(drive.Rows().size(), 1u);
}

TEST_F(DriveAccess, UnreadableTableEmptiesTheList) {
  AddImage("gone", AudioDisc({2, 2}));
  ASSERT_NE(drive.OpenDrive(0), 0);
  drive.LoadTrackList();
  ASSERT_EQ(drive.Rows().size(), 2u);
  ASSERT_TRUE(QFile::remove(DiscsFolder() + "/gone.bin"));
  drive.LoadTrackList();
  EXPECT_TRUE(drive.Rows().empty());
  EXPECT_EQ(drive.StatusText(), "Not get CD device information!");
}

TEST_F(DriveAccess, CloseCdClosesOnlyOpenHandles) {
  AddImage("close", AudioDisc({1}));
  EXPECT_TRUE(CloseCD(0));
  const int32_t h = drive.OpenDrive(0);
  ASSERT_NE(h, 0);
  EXPECT_TRUE(CloseCD(h));
  EXPECT_FALSE(CloseCD(h));
  EXPECT_FALSE(CloseCD(-3));
}

TEST_F(DriveAccess, GeneratedImageRebuildsRowsAndReadsBackExactly) {
  TDiscDescription disc;
  TTrackDescription tone = Track(TTrackContent::Tone, SecondsToSectors(3.5));
  tone.FrequencyHz = 523.25;
  disc.Tracks.push_back(tone);
  disc.Tracks.push_back(Track(TTrackContent::Noise, SecondsToSectors(2.2), 75));
  disc.Tracks.push_back(Track(TTrackContent::Ramp, SecondsToSectors(4), 150));
  AddImage("done", disc);
  const TDiscLayout layout = LayoutOf(disc);

  ASSERT_NE(drive.OpenDrive(0), 0);
  drive.LoadTrackList();
  ASSERT_EQ(drive.Rows().size(), 3u);
  for (size_t k = 0; k < 3; ++k) {
    const int64_t start = layout.TrackStarts[k] + 150;
    const int64_t end = (k + 1 < 3 ? layout.TrackStarts[k + 1] : layout.LeadOut) + 150;
    const int seconds = static_cast<int>(end / 75 - start / 75);
    EXPECT_EQ(drive.Rows()[k].Length, QString("00:%1").arg(seconds, 2, 10, QChar('0')));
  }
  EXPECT_EQ(drive.Rows()[0].Length, "00:04");  // 00:02:00 to 00:05:37, frames ignored

  TTrackBufferPtr buffer = NewTrackBuffer(kMaxSectorsPerRead);
  for (int64_t lsn = 0; lsn < layout.LeadOut; lsn += kMaxSectorsPerRead) {
    const int n = static_cast<int>(std::min<int64_t>(kMaxSectorsPerRead, layout.LeadOut - lsn));
    buffer->StartFrame = static_cast<uint32_t>(lsn);
    buffer->NumFrames = static_cast<uint32_t>(n);
    ASSERT_EQ(ReadCDAudioLBA(drive.CDHandle(), buffer.get()), 1) << lsn;
    for (int i = 0; i < n; ++i) {
      const QByteArray expected = ImageSector(disc, lsn + i);
      ASSERT_EQ(std::memcmp(buffer->Data() + buffer->StartOffset + i * kRawSectorBytes,
                            expected.constData(), kRawSectorBytes),
                0)
          << "sector " << lsn + i;
    }
  }
}

TEST(DemoDisc, FreshBuildHasTheTitledDemoDisc) {
  SetCdHardwareScan(false);
  SetProgramFolder(TW_BUILD_DIR);
  TDriveAccess drive;
  int position = -1;
  for (int i = 0; i < drive.DriveCount(); ++i)
    if (drive.DriveDescription(i) == "Virtual Demo Disc") position = i;
  ASSERT_GE(position, 0) << "no demo disc in " TW_BUILD_DIR "/discs";
  ASSERT_NE(drive.OpenDrive(position), 0);
  EXPECT_TRUE(IsAudioCDDrive(position));
  drive.LoadTrackList();
  const TDiscDescription demo = DemoDisc();
  ASSERT_EQ(drive.Rows().size(), 5u);
  QStringList lengths;
  for (const TTrackRow& row : drive.Rows()) {
    const int seconds = row.Length.left(2).toInt() * 60 + row.Length.mid(3).toInt();
    EXPECT_GE(seconds, 20);
    EXPECT_LE(seconds, 42);  // up to 40 s of tone and a 2 s gap
    lengths << row.Length;
  }
  lengths.removeDuplicates();
  EXPECT_EQ(lengths.size(), 5);
  // The build writes the demo's titles unless a catalogue was already there.
  QFile catalogue(DiscCatalogueFile());
  const bool titled = catalogue.open(QIODevice::ReadOnly) &&
                      catalogue.readAll().contains("[" + drive.CurrentDiscKey().toUtf8() + "]");
  for (int k = 0; k < 5; ++k)
    EXPECT_EQ(drive.Rows()[k].Title, titled ? demo.Titles[k] : QString("Track0%1").arg(k + 1));
  CloseCD(drive.CDHandle());
  SetProgramFolder(QString());
  SetCdHardwareScan(true);
}
}  // namespace
