#include "settings/CDInfo.h"
#include "settings/OptionsSetting.h"

#include "SettingsFixture.h"

namespace {

using CatalogueTest = TProgramFolderTest;

TEST_F(CatalogueTest, UnknownDiscGetsAHundredDefaultTitles) {
  LoadDiscInfo("12345");
  const TCDInfo& info = OptionsSetting.CDInfo;
  EXPECT_EQ(info.TrackNumber, 100);
  EXPECT_EQ(info.Genre, -1);
  EXPECT_EQ(info.Artist, "");
  EXPECT_EQ(info.Tracks[1], "Track01");
  EXPECT_EQ(info.Tracks[12], "Track12");
  EXPECT_EQ(info.Tracks[99], "Track99");
  EXPECT_EQ(info.Tracks[100], "Track100");
}

TEST_F(CatalogueTest, SavedDiscReadsBack) {
  TCDInfo& info = OptionsSetting.CDInfo;
  info.Artist = "The Band";
  info.Album = "Live";
  info.Year = "1999";
  info.Genre = 17;
  info.Comment = "first pressing";
  info.TrackNumber = 12;
  for (int n = 1; n <= 12; ++n) info.Tracks[n] = QString("Song %1").arg(n);
  SaveDiscInfo("-42");
  const QByteArray text = ReadFile("cdinfo.dat");
  EXPECT_TRUE(text.startsWith(
      "[-42]\nArtist=The Band\nAlbum=Live\nYear=1999\nGenre=17\nComment=first pressing\n"
      "TrackNumber=12\n1=Song 1\n2=Song 2\n"));
  EXPECT_TRUE(text.endsWith("12=Song 12\n"));
  EXPECT_FALSE(text.contains("13="));

  OptionsSetting.CDInfo = TCDInfo{};
  LoadDiscInfo("-42");
  EXPECT_EQ(info.Artist, "The Band");
  EXPECT_EQ(info.Genre, 17);
  EXPECT_EQ(info.TrackNumber, 12);
  EXPECT_EQ(info.Tracks[12], "Song 12");
  EXPECT_EQ(info.Tracks[13], "");  // slots above TrackNumber keep what they held
}

TEST_F(CatalogueTest, ZeroTracksReadsNoTitle) {
  WriteFile("cdinfo.dat", "[7]\nTrackNumber=0\n1=Stored\n");
  OptionsSetting.CDInfo.Tracks[1] = "Held";
  LoadDiscInfo("7");
  EXPECT_EQ(OptionsSetting.CDInfo.TrackNumber, 0);
  EXPECT_EQ(OptionsSetting.CDInfo.Tracks[1], "Held");
}

TEST_F(CatalogueTest, EmptyTitleBecomesTheDefault) {
  WriteFile("cdinfo.dat", "[7]\nTrackNumber=3\n1=One\n2=Two\n3=\n");
  LoadDiscInfo("7");
  EXPECT_EQ(OptionsSetting.CDInfo.Tracks[2], "Two");
  EXPECT_EQ(OptionsSetting.CDInfo.Tracks[3], "Track03");
}

TEST_F(CatalogueTest, TrackNumberNeverReachesBeyondTheHundredSlots) {
  WriteFile("cdinfo.dat", "[7]\nTrackNumber=150\n100=Last\n");
  LoadDiscInfo("7");
  EXPECT_EQ(OptionsSetting.CDInfo.Tracks[100], "Last");
  OptionsSetting.CDInfo.TrackNumber = 150;
  SaveDiscInfo("7");  // must not index past the array
  EXPECT_FALSE(ReadFile("cdinfo.dat").contains("101="));
}

TEST_F(CatalogueTest, EmptyKeyTouchesNothing) {
  OptionsSetting.CDInfo.Artist = "kept";
  LoadDiscInfo("");
  SaveDiscInfo("");
  EXPECT_EQ(OptionsSetting.CDInfo.Artist, "kept");
  EXPECT_FALSE(QFile::exists(DiscCatalogueFile()));
}

TEST_F(CatalogueTest, OtherDiscsStayUntouched) {
  WriteFile("cdinfo.dat", "[1]\nArtist=A\n; note\n\n[2]\nArtist=B\n");
  OptionsSetting.CDInfo.Artist = "C";
  OptionsSetting.CDInfo.TrackNumber = 1;
  OptionsSetting.CDInfo.Tracks[1] = "x";
  SaveDiscInfo("1");
  const QByteArray text = ReadFile("cdinfo.dat");
  EXPECT_TRUE(text.startsWith("[1]\nArtist=C\n"));
  EXPECT_TRUE(text.contains("; note\n"));
  EXPECT_TRUE(text.endsWith("\n\n[2]\nArtist=B\n"));
}

TEST_F(CatalogueTest, LineBreaksInTitlesCannotSplitTheFile) {
  OptionsSetting.CDInfo.TrackNumber = 2;
  OptionsSetting.CDInfo.Tracks[1] = "two\nlines";
  OptionsSetting.CDInfo.Tracks[2] = "[9]";
  SaveDiscInfo("5");
  OptionsSetting.CDInfo = TCDInfo{};
  LoadDiscInfo("5");
  EXPECT_EQ(OptionsSetting.CDInfo.Tracks[1], "two lines");
  EXPECT_EQ(OptionsSetting.CDInfo.Tracks[2], "[9]");
  EXPECT_EQ(OptionsSetting.CDInfo.TrackNumber, 2);
}

TEST(DiscKeyTest, IdIsWrittenAsSignedDecimal) {
  EXPECT_EQ(DiscKeyFromId(std::nullopt), "");
  EXPECT_EQ(DiscKeyFromId(0x12345678u), "305419896");
  EXPECT_EQ(DiscKeyFromId(2147483648u), "-2147483648");
  EXPECT_EQ(DiscKeyFromId(0xFFFFFFFFu), "-1");
}

}  // namespace
