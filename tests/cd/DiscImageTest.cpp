// The disc image generator: cue text libcdio reads correctly, deterministic
// content, refused descriptions, the catalogue section and the command line.
#include "DiscImage.h"
#include "DiscImageCommand.h"
#include "cd/DiscId.h"
#include "platform/ProgramFolder.h"
#include "settings/CDInfo.h"
#include "settings/OptionsSetting.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>

namespace {
int16_t Left(const QByteArray& sector, int frame) {
  const auto* p = reinterpret_cast<const uint8_t*>(sector.constData()) + 4 * frame;
  return static_cast<int16_t>(p[0] | p[1] << 8);
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TTrackDescription Of(TTrackContent content, int64_t sectors, int64_t gap = 0) {
  TTrackDescription t;
  t.Content = content;
  t.Sectors = sectors;
  t.GapSectors = gap;
  return t;
}

class DiscImage : public ::testing::Test {
 protected:
  QTemporaryDir dir;
};

TEST_F(DiscImage, CueUsesIndexGapsAndOneBinaryFile) {
  TDiscDescription disc;
  disc.Tracks = {Of(TTrackContent::Tone, 300), Of(TTrackContent::Noise, 75, 150),
                 Of(TTrackContent::Data, 100)};
  const QString cue = CueText(disc, "x.bin");
  EXPECT_TRUE(cue.startsWith("FILE \"x.bin\" BINARY"));
  EXPECT_FALSE(cue.contains("PREGAP"));
  EXPECT_TRUE(cue.contains("TRACK 02 AUDIO\r\n    INDEX 00 00:04:00\r\n    INDEX 01 00:06:00"));
  EXPECT_TRUE(cue.contains("TRACK 03 MODE1/2352\r\n    INDEX 01 00:07:00"));
  EXPECT_EQ(LayoutOf(disc).TrackStarts, (std::vector<int64_t>{0, 450, 525}));
  EXPECT_EQ(LayoutOf(disc).LeadOut, 625);

  ASSERT_TRUE(WriteDiscImage(disc, dir.path() + "/x.cue", nullptr));
  EXPECT_EQ(QFileInfo(dir.path() + "/x.bin").size(), 625 * kImageSectorBytes);
}

TEST_F(DiscImage, SameDescriptionSameBytes) {
  TDiscDescription disc;
  disc.Tracks = {Of(TTrackContent::Tone, 200), Of(TTrackContent::Noise, 150, 75),
                 Of(TTrackContent::Silence, 20), Of(TTrackContent::Data, 60, 10)};
  ASSERT_TRUE(WriteDiscImage(disc, dir.path() + "/a/one.cue", nullptr));
  ASSERT_TRUE(WriteDiscImage(disc, dir.path() + "/b/one.cue", nullptr));
  const QByteArray first = ReadAll(dir.path() + "/a/one.bin");
  EXPECT_EQ(first.size(), LayoutOf(disc).LeadOut * kImageSectorBytes);
  EXPECT_EQ(first, ReadAll(dir.path() + "/b/one.bin"));
  EXPECT_EQ(ReadAll(dir.path() + "/a/one.cue"), ReadAll(dir.path() + "/b/one.cue"));
}

TEST_F(DiscImage, ToneHasItsPitchAndStaysWithinItsAmplitude) {
  TDiscDescription disc;
  TTrackDescription t = Of(TTrackContent::Tone, 3 * 75);
  t.FrequencyHz = 441.0;
  t.Amplitude = 0.5;
  disc.Tracks = {t};
  // Count rising zero crossings over the middle second: one per period.
  int rising = 0;
  int previous = Left(ImageSector(disc, 75), 0);
  int peak = 0;
  for (int64_t lsn = 75; lsn < 150; ++lsn) {
    const QByteArray sector = ImageSector(disc, lsn);
    for (int i = 0; i < kSamplesPerSector; ++i) {
      const int v = Left(sector, i);
      if (previous < 0 && v >= 0) ++rising;
      previous = v;
      peak = std::max(peak, std::abs(v));
    }
  }
  EXPECT_NEAR(rising, 441, 2);
  EXPECT_LE(peak, 0.5 * 32767 + 1);
  EXPECT_GT(peak, 0.3 * 32767);
  EXPECT_EQ(Left(ImageSector(disc, 0), 0), 0);  // faded in from silence
}

TEST_F(DiscImage, NoiseFollowsItsSeedAndGapsAreSilent) {
  TDiscDescription a;
  a.Tracks = {Of(TTrackContent::Ramp, 10), Of(TTrackContent::Noise, 10, 5)};
  TDiscDescription b = a;
  b.Tracks[1].Seed = 2;
  EXPECT_EQ(ImageSector(a, 16), ImageSector(a, 16));
  EXPECT_NE(ImageSector(a, 16), ImageSector(b, 16));
  EXPECT_NE(ImageSector(a, 16), QByteArray(kImageSectorBytes, '\0'));
  for (int64_t gap = 10; gap < 15; ++gap)
    EXPECT_EQ(ImageSector(a, gap), QByteArray(kImageSectorBytes, '\0'));
  EXPECT_EQ(ImageSector(a, 25), QByteArray(kImageSectorBytes, '\0'));  // past the lead-out
  // The ramp numbers the samples of its track.
  EXPECT_EQ(Left(ImageSector(a, 3), 5), 3 * kSamplesPerSector + 5);
}

TEST_F(DiscImage, DataSectorsCarrySyncAndAddress) {
  TDiscDescription disc;
  disc.Tracks = {Of(TTrackContent::Ramp, 75), Of(TTrackContent::Data, 100)};
  const QByteArray sector = ImageSector(disc, 75);  // 00:03:00 absolute
  EXPECT_EQ(sector.left(12), QByteArray::fromHex("00FFFFFFFFFFFFFFFFFFFF00"));
  EXPECT_EQ(sector.mid(12, 4), QByteArray::fromHex("00030001"));
}

TEST_F(DiscImage, InvalidDescriptionsWriteNothing) {
  TDiscDescription none;
  TDiscDescription tooMany;
  tooMany.Tracks.assign(100, Of(TTrackContent::Silence, 1));
  TDiscDescription empty;
  empty.Tracks = {Of(TTrackContent::Tone, 0)};
  TDiscDescription negativeGap;
  negativeGap.Tracks = {Of(TTrackContent::Tone, 10, -5)};
  for (const TDiscDescription* disc : {&none, &tooMany, &empty, &negativeGap}) {
    QString error;
    EXPECT_FALSE(WriteDiscImage(*disc, dir.path() + "/bad.cue", &error));
    EXPECT_FALSE(error.isEmpty());
  }
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST(DiscIds, FreedbFormula) {
  // One track at 00:02 ending at 01:00: digit sum 2, 58 seconds, 1 track.
  EXPECT_EQ(FreedbDiscId({0}, 60 * 75 - 150), 0x02003A01u);
  // Starts at 2 s and 62 s: digit sums 2 + 8; 120 s - 2 s = 118 = 0x76.
  EXPECT_EQ(FreedbDiscId({0, 60 * 75}, 120 * 75 - 150), 0x0A007602u);
  EXPECT_EQ(FreedbOffsets({0, 4500}), (std::vector<int64_t>{150, 4650}));
  EXPECT_EQ(FreedbDiscId({}, 0), 0u);
}

TEST_F(DiscImage, CatalogueSectionLoadsAsTheDiscEntry) {
  SetProgramFolder(dir.path());
  TDiscDescription disc = DemoDisc();
  disc.Titles.removeLast();  // the last title falls back to its default
  disc.Genre = 12;
  QString error;
  ASSERT_TRUE(WriteCatalogueSection(disc, DiscCatalogueFile(), false, &error));
  OptionsSetting.CDInfo = TCDInfo();
  LoadDiscInfo(DiscKeyFromId(DiscIdOf(disc)));
  EXPECT_EQ(OptionsSetting.CDInfo.Artist, disc.Artist);
  EXPECT_EQ(OptionsSetting.CDInfo.Album, disc.Album);
  EXPECT_EQ(OptionsSetting.CDInfo.Genre, 12);
  EXPECT_EQ(OptionsSetting.CDInfo.TrackNumber, 5);
  EXPECT_EQ(OptionsSetting.CDInfo.Tracks[1], disc.Titles[0]);
  EXPECT_EQ(OptionsSetting.CDInfo.Tracks[5], "Track05");

  // An existing catalogue is never replaced when asked to keep it.
  TDiscDescription other = DemoDisc();
  other.Artist = "Other";
  const QByteArray before = ReadAll(DiscCatalogueFile());
  ASSERT_TRUE(WriteCatalogueSection(other, DiscCatalogueFile(), true, &error));
  EXPECT_EQ(ReadAll(DiscCatalogueFile()), before);
  OptionsSetting.CDInfo = TCDInfo();
  SetProgramFolder(QString());
}

TEST_F(DiscImage, CatalogueKeyIsTheSignedId) {
  // Ten tracks, lengthened until the digit sum sets the id's top bit.
  TDiscDescription disc;
  uint32_t id = 0;
  for (int seconds = 30; id < 0x80000000u && seconds < 400; ++seconds) {
    disc.Tracks.assign(10, Of(TTrackContent::Silence, seconds * 75));
    id = DiscIdOf(disc);
  }
  ASSERT_GE(id, 0x80000000u);
  ASSERT_TRUE(WriteCatalogueSection(disc, dir.path() + "/c.dat", false, nullptr));
  EXPECT_TRUE(ReadAll(dir.path() + "/c.dat")
                  .startsWith("[" + QByteArray::number(static_cast<int32_t>(id)) + "]"));
}

TEST(DiscImageCommand, BuildsTheDescriptionFromArguments) {
  TDiscImageCommand command;
  QString error;
  ASSERT_TRUE(
      ParseDiscImageCommand({"--track", "tone:2.5:523.25", "--gap", "2", "--track", "noise:1:7",
                             "--sectors", "--gap", "10", "--track", "data:300", "--title", "One",
                             "--artist", "A", "--catalogue", "c.dat", "--keep-existing", "out.cue"},
                            &command, &error))
      << error.toStdString();
  ASSERT_EQ(command.Disc.Tracks.size(), 3u);
  EXPECT_EQ(command.Disc.Tracks[0].Sectors, 188);  // 2.5 s rounded to sectors
  EXPECT_DOUBLE_EQ(command.Disc.Tracks[0].FrequencyHz, 523.25);
  EXPECT_EQ(command.Disc.Tracks[1].GapSectors, 150);
  EXPECT_EQ(command.Disc.Tracks[1].Seed, 7u);
  EXPECT_EQ(command.Disc.Tracks[2].Content, TTrackContent::Data);
  EXPECT_EQ(command.Disc.Tracks[2].Sectors, 300);
  EXPECT_EQ(command.Disc.Tracks[2].GapSectors, 10);
  EXPECT_EQ(command.Disc.Titles, QStringList{"One"});
  EXPECT_EQ(command.CuePath, "out.cue");
  EXPECT_TRUE(command.KeepExisting);
}

TEST(DiscImageCommand, RefusesBadArguments) {
  const QStringList bad[] = {{"--track", "flute:3", "x.cue"},
                             {"--track", "tone:-1", "x.cue"},
                             {"--track", "tone", "x.cue"},
                             {"--track", "tone:1:abc", "x.cue"},
                             {"--gap"},
                             {"--frobnicate", "x.cue"},
                             {"--track", "tone:1", "x.wav"},
                             {"a.cue", "b.cue"},
                             {"--no-image", "x.cue"}};
  for (const QStringList& arguments : bad) {
    TDiscImageCommand command;
    QString error;
    EXPECT_FALSE(ParseDiscImageCommand(arguments, &command, &error))
        << arguments.join(' ').toStdString();
    EXPECT_FALSE(error.isEmpty());
  }
}

TEST_F(DiscImage, CommandWritesImageAndCatalogue) {
  TDiscImageCommand command;
  QString error;
  ASSERT_TRUE(ParseDiscImageCommand(
      {"--demo", dir.path() + "/d.cue", "--catalogue", dir.path() + "/cdinfo.dat"}, &command,
      &error));
  EXPECT_EQ(RunDiscImageCommand(command, &error), 0) << error.toStdString();
  EXPECT_TRUE(QFile::exists(dir.path() + "/d.bin"));
  EXPECT_TRUE(ReadAll(dir.path() + "/cdinfo.dat").contains("1=Morning in C"));
}
}  // namespace
