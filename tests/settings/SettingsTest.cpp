#include "settings/OptionsSetting.h"
#include "settings/ProfileFile.h"

#include "SettingsFixture.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

using SettingsTest = TProgramFolderTest;

TEST_F(SettingsTest, NoFileGivesTheDefaults) {
  LoadSettings();
  const TOptionsSetting& o = OptionsSetting;
  EXPECT_EQ(o.CommonOptions.OutputFolder, ProgramFolder() + "Output");
  EXPECT_FALSE(o.CommonOptions.OutputFolder.endsWith('/'));
  EXPECT_EQ(o.CommonOptions.OutputFormat, 0);
  EXPECT_FALSE(o.CommonOptions.IsKeepWav);
  EXPECT_FALSE(o.CommonOptions.IsNormalize);
  EXPECT_EQ(o.CommonOptions.NormalizePercent, 95);
  EXPECT_FALSE(o.CommonOptions.EnableRipTime);
  EXPECT_EQ(o.CommonOptions.RipTime, 0);
  EXPECT_FALSE(o.Mp3Options.IsSelectVBR);
  EXPECT_EQ(o.Mp3Options.BitRate, 128);
  EXPECT_EQ(o.Mp3Options.MaxBitRate, 320);
  EXPECT_EQ(o.Mp3Options.MpegQuality, 0);
  EXPECT_EQ(o.Mp3Options.VBRQuality, 4);
  EXPECT_EQ(o.Mp3Options.StereoMode, 1);
  EXPECT_TRUE(o.OggOptions.IsUseCompress);
  EXPECT_EQ(o.OggOptions.CompressPosition, 30);
  EXPECT_EQ(o.OggOptions.NomalBitRate, 0);
  EXPECT_EQ(o.WMAOptions.BitRate, 8);
  EXPECT_EQ(o.CDOptions.Index, -1);
  EXPECT_FALSE(o.RecordOptions.SaveMp3);
  EXPECT_EQ(o.QueryCDDB.Server, kDefaultCddbServer);
  EXPECT_EQ(o.QueryCDDB.Script, "/~cddb/cddb.cgi");
  EXPECT_FALSE(o.QueryCDDB.UseProxy);
  EXPECT_EQ(o.QueryCDDB.ProxyAddress, "");
  EXPECT_EQ(o.QueryCDDB.Port, "80");
  EXPECT_FALSE(o.ID3Use);
  EXPECT_TRUE(o.IsShowTips);
  EXPECT_EQ(o.SkinIndex, 0);
  EXPECT_FALSE(QFile::exists(SettingsFile()));  // reading creates nothing
}

TEST_F(SettingsTest, OnlyTheSliderIsClampedOnReading) {
  WriteFile("options.ini",
            "[OggOptions]\nCompressPosition=5\n[CommonOptions]\nNormalizePercent=250\n");
  LoadSettings();
  EXPECT_EQ(OptionsSetting.OggOptions.CompressPosition, 30);
  EXPECT_EQ(OptionsSetting.CommonOptions.NormalizePercent, 250);
  WriteFile("options.ini", "[OggOptions]\nCompressPosition=250\n");
  LoadSettings();
  EXPECT_EQ(OptionsSetting.OggOptions.CompressPosition, 100);
}

TEST_F(SettingsTest, ValuesThatDoNotParseGiveTheirDefault) {
  WriteFile("options.ini",
            "[commonoptions]\nIsKeepWav=yes\nIsNormalize=2\nOutputFormat=0x2\nRipTime=abc\n"
            "[TipsOptions]\nIsShowTips=maybe\n");
  LoadSettings();
  EXPECT_FALSE(OptionsSetting.CommonOptions.IsKeepWav);
  EXPECT_TRUE(OptionsSetting.CommonOptions.IsNormalize);
  EXPECT_EQ(OptionsSetting.CommonOptions.OutputFormat, 2);
  EXPECT_EQ(OptionsSetting.CommonOptions.RipTime, 0);
  EXPECT_TRUE(OptionsSetting.IsShowTips);
}

TEST_F(SettingsTest, SaveThenLoadGivesTheSameRecord) {
  LoadSettings();
  TOptionsSetting& o = OptionsSetting;
  o.CommonOptions.OutputFolder = "/music/out put";
  o.CommonOptions.OutputFormat = 2;
  o.CommonOptions.RipTime = -30;
  o.Mp3Options.IsSelectVBR = true;
  o.Mp3Options.MaxBitRate = 256;
  o.OggOptions.CompressPosition = 77;
  o.OggOptions.MinBitRate = 3;
  o.WMAOptions.BitRate = 12;
  o.CDOptions.Index = 1;
  o.CDOptions.CDDb = true;
  o.QueryCDDB.ProxyAddress = "proxy.local";
  o.QueryCDDB.Port = "8080";
  o.ID3Use = true;
  o.IsShowTips = false;
  o.SkinIndex = 5;
  SaveSettings();
  const TOptionsSetting saved = o;
  o = TOptionsSetting{};
  LoadSettings();
  EXPECT_EQ(o.CommonOptions.OutputFolder, saved.CommonOptions.OutputFolder);
  EXPECT_EQ(o.CommonOptions.OutputFormat, 2);
  EXPECT_EQ(o.CommonOptions.RipTime, -30);
  EXPECT_TRUE(o.Mp3Options.IsSelectVBR);
  EXPECT_EQ(o.Mp3Options.MaxBitRate, 256);
  EXPECT_EQ(o.OggOptions.CompressPosition, 77);
  EXPECT_EQ(o.OggOptions.MinBitRate, 3);
  EXPECT_EQ(o.WMAOptions.BitRate, 12);
  EXPECT_EQ(o.CDOptions.Index, 1);
  EXPECT_TRUE(o.CDOptions.CDDb);
  EXPECT_EQ(o.QueryCDDB.ProxyAddress, "proxy.local");
  EXPECT_EQ(o.QueryCDDB.Port, "8080");
  EXPECT_TRUE(o.ID3Use);
  EXPECT_FALSE(o.IsShowTips);
  EXPECT_EQ(o.SkinIndex, 5);
}

TEST_F(SettingsTest, SaveWritesEveryKeyInTableOrder) {
  LoadSettings();
  SaveSettings();
  const QByteArray text = ReadFile("options.ini");
  const char* order[] = {"[CommonOptions]",
                         "OutputFolder=",
                         "RipTime=0",
                         "[Mp3Options]",
                         "StereoMode=1",
                         "[OggOptions]",
                         "CompressPosition=30",
                         "NomalBitRate=0",
                         "[WMAOptions]",
                         "BitRate=8",
                         "[CDOptions]",
                         "Index=-1",
                         "[RecordOptions]",
                         "[QueryCDDB]",
                         "Port=80",
                         "[ID3]",
                         "Use=0",
                         "[TipsOptions]",
                         "IsShowTips=1",
                         "[Skin]",
                         "Index=0"};
  qsizetype at = 0;
  for (const char* piece : order) {
    const qsizetype found = text.indexOf(piece, at);
    ASSERT_GE(found, 0) << piece << " missing or out of order";
    at = found;
  }
}

TEST_F(SettingsTest, SaveKeepsKeysThisProgramDoesNotKnow) {
  WriteFile("options.ini",
            "[CommonOptions]\nOutputFormat=1\nFutureKey=abc\n[Plugins]\nx=1\n[Skin]\nIndex=2\n"
            "Theme=dark\n");
  LoadSettings();
  OptionsSetting.SkinIndex = 4;
  SaveSettings();
  const QByteArray text = ReadFile("options.ini");
  EXPECT_TRUE(text.startsWith("[CommonOptions]\nOutputFormat=1\nFutureKey=abc\n"));
  EXPECT_TRUE(text.contains("[Plugins]\nx=1\n"));
  EXPECT_TRUE(text.contains("[Skin]\nIndex=4\nTheme=dark\n"));
}

TEST_F(SettingsTest, ReadOnlyProgramFolderIsReportedWithThePath) {
  LoadSettings();
  ASSERT_EQ(::chmod(QFile::encodeName(dir_.path()).constData(), 0555), 0);
  // Root ignores folder permissions; the test only means something otherwise.
  if (::geteuid() == 0) {
    ::chmod(QFile::encodeName(dir_.path()).constData(), 0755);
    WriteFile("options.ini", "[Skin]\nIndex=1\n");
    ASSERT_EQ(::chmod(QFile::encodeName(Path("options.ini")).constData(), 0444), 0);
  }
  try {
    SaveSettings();
    ADD_FAILURE() << "the write was not refused";
  } catch (const TProfileWriteError& e) {
    EXPECT_EQ(QString(e.what()), "Unable to write to " + SettingsFile());
  }
  ::chmod(QFile::encodeName(dir_.path()).constData(), 0755);
}

}  // namespace
