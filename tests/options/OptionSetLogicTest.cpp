// The options dialog's logic, driven without its window: loading, the two
// checks of OK, the store order, the "&Default" buttons and the lists.
#include "ScriptedDialogs.h"
#include "encoders/WMAProfiles.h"
#include "options/OptionSetLogic.h"
#include "options/OptionsLists.h"
#include "options/WholeNumber.h"
#include "settings/OptionsSetting.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

// The record as a first run loads it, with an output folder that exists.
TOptionsSetting Defaults(const QString& folder) {
  TOptionsSetting s;
  s.CommonOptions.OutputFolder = folder;
  s.CommonOptions.NormalizePercent = 95;
  s.Mp3Options.BitRate = 128;
  s.Mp3Options.MaxBitRate = 320;
  s.Mp3Options.VBRQuality = 4;
  s.Mp3Options.StereoMode = 1;
  s.OggOptions.IsUseCompress = true;
  s.OggOptions.CompressPosition = 30;
  s.WMAOptions.BitRate = 8;
  s.CDOptions.Index = -1;
  s.CDInfo.Genre = -1;
  return s;
}

class OptionSetLogicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    settings = Defaults(dir_.path());
  }

  TScriptedDialogs Dialog;
  QTemporaryDir dir_;
  TOptionsSetting settings;
};

}  // namespace

TEST(WholeNumberTest, AcceptsWhatTheFieldsAccept) {
  const struct {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {
      {"10", 10},
      {"0", 0},
      {"-100", -100},
      {"+7", 7},
      {"  42", 42},
      {"$1F", 31},
      {"0x10", 16},
      {"-0X1a", -26},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", {}},
      {"abc", {}},
      {"", {}},
      {"12 ", {}},
      {"1.5", {}},
      {"-", {}},
      {"0x", {}},
      {"\xd9\xa3", {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParseWholeNumber(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST_F(OptionSetLogicTest, LoadShowsTheRecord) {
  settings.CommonOptions.IsKeepWav = true;
  settings.CommonOptions.RipTime = 30;
  settings.Mp3Options.BitRate = 64;
  settings.CDInfo.Genre = 1;
  settings.CDInfo.Artist = "Someone";
  const TOptionsView v = TOptionSetLogic(settings).Load();
  EXPECT_EQ(v.OutputFolder, dir_.path());
  EXPECT_FALSE(v.DeleteWav);
  EXPECT_EQ(v.OutputFormat, 0);
  EXPECT_EQ(v.NormalizePercent, 95);
  EXPECT_EQ(v.RipTimeText, "30");
  EXPECT_EQ(v.MinBitRateText, "64 kbit/s");
  EXPECT_EQ(v.MaxBitRateText, "320 kbit/s");
  EXPECT_EQ(v.VBRQuality, 4);
  EXPECT_EQ(v.StereoMode, 1);
  EXPECT_TRUE(v.UseQuality);
  EXPECT_EQ(v.CompressPosition, 30);
  EXPECT_EQ(v.WmaProfile, 8);
  EXPECT_EQ(v.Genre, 2);  // "Acid", after the empty entry and "A Cappella"
  EXPECT_EQ(v.Artist, "Someone");
  EXPECT_TRUE(v.Devices.isEmpty());
  EXPECT_EQ(v.Device, -1);
}

TEST_F(OptionSetLogicTest, StoredDrivePositionReadsMinusOneAsZero) {
  for (const auto& [stored, position] : {std::pair{-1, 0}, {0, 0}, {1, 1}, {3, 3}}) {
    settings.CDOptions.Index = stored;
    EXPECT_EQ(TOptionSetLogic(settings).StoredDrivePosition(), position) << stored;
  }
}

TEST_F(OptionSetLogicTest, BitRateFieldsStoreTheirFirstThreeCharacters) {
  const struct {
    const char* text;
    int32_t rate;
  } cases[] = {{"64 kbit/s", 64}, {" 32 kbit/s", 32}, {"320 kbit/s", 320},
               {"128", 128},      {"96", 96},         {" 8 kbit/s", 8}};
  for (const auto& c : cases) {
    TOptionSetLogic logic(settings);
    TOptionsView v = logic.Load();
    v.MinBitRateText = c.text;
    v.MaxBitRateText = c.text;
    logic.Store(v);
    EXPECT_EQ(settings.Mp3Options.BitRate, c.rate) << c.text;
    EXPECT_EQ(settings.Mp3Options.MaxBitRate, c.rate) << c.text;
  }
}

TEST_F(OptionSetLogicTest, BadBitRateStopsTheStoreHalfWay) {
  TOptionSetLogic logic(settings);
  TOptionsView v = logic.Load();
  v.DeleteWav = false;
  v.OutputFormat = 2;
  v.RipTimeText = "45";
  v.MinBitRateText = "64 kbit/s";
  v.MaxBitRateText = "abcdef";
  v.MpegQuality = 2;
  v.WmaProfile = 3;
  v.UseID3 = true;
  try {
    logic.Store(v);
    FAIL() << "no error";
  } catch (const EOptionsValueError& error) {
    EXPECT_STREQ(error.what(), "'abc' is not a valid integer value");
  }
  // Stored before the failing field:
  EXPECT_TRUE(settings.CommonOptions.IsKeepWav);
  EXPECT_EQ(settings.CommonOptions.OutputFormat, 2);
  EXPECT_EQ(settings.CommonOptions.RipTime, 45);
  EXPECT_EQ(settings.Mp3Options.BitRate, 64);
  // and not after it:
  EXPECT_EQ(settings.Mp3Options.MaxBitRate, 320);
  EXPECT_EQ(settings.Mp3Options.MpegQuality, 0);
  EXPECT_EQ(settings.WMAOptions.BitRate, 8);
  EXPECT_FALSE(settings.ID3Use);

  v.MinBitRateText = "";
  EXPECT_THROW(
      {
        try {
          logic.Store(v);
        } catch (const EOptionsValueError& error) {
          EXPECT_STREQ(error.what(), "'' is not a valid integer value");
          throw;
        }
      },
      EOptionsValueError);
}

TEST_F(OptionSetLogicTest, LengthTextsAndTheLengthCheck) {
  const struct {
    const char* text;
    TOptionsCheck check;
    int32_t stored;  // when the check passes
  } cases[] = {{"10", TOptionsCheck::Passed, 10},     {"abc", TOptionsCheck::BadLength, 0},
               {"-100", TOptionsCheck::BadLength, 0}, {"-5", TOptionsCheck::Passed, -5},
               {"", TOptionsCheck::BadLength, 0},     {"0", TOptionsCheck::Passed, 0}};
  for (const auto& c : cases) {
    settings.CommonOptions.RipTime = 99;
    TOptionSetLogic logic(settings);
    TOptionsView v = logic.Load();
    v.EnableRipTime = true;
    v.RipTimeText = c.text;
    Dialog.Messages.clear();
    EXPECT_EQ(logic.Accept(nullptr, v, nullptr), c.check) << c.text;
    if (c.check == TOptionsCheck::Passed) {
      EXPECT_TRUE(Dialog.Messages.empty());
      EXPECT_EQ(settings.CommonOptions.RipTime, c.stored) << c.text;
      EXPECT_TRUE(settings.CommonOptions.EnableRipTime);
    } else {
      ASSERT_EQ(Dialog.Messages.size(), 1u);
      EXPECT_EQ(Dialog.Messages[0].Text, "Please check the song length field.");
      EXPECT_EQ(Dialog.Messages[0].Icon, TMsgIcon::Error);
      EXPECT_EQ(settings.CommonOptions.RipTime, 99) << "nothing stored";
    }
  }
}

TEST_F(OptionSetLogicTest, MissingFolderIsNamedAndChecksComeInOrder) {
  const QString stored = settings.CommonOptions.OutputFolder;
  TOptionSetLogic logic(settings);
  TOptionsView v = logic.Load();
  v.OutputFolder = dir_.path() + "/not/there";
  v.RipTimeText = "abc";  // the folder is checked first
  EXPECT_EQ(logic.Accept(nullptr, v, nullptr), TOptionsCheck::MissingFolder);
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text,
            dir_.path() + "/not/there,The output directory does not exist.");
  EXPECT_EQ(Dialog.Messages[0].Icon, TMsgIcon::Error);
  EXPECT_EQ(settings.CommonOptions.OutputFolder, stored);

  v.OutputFolder = "";
  EXPECT_EQ(TOptionSetLogic::Check(v), TOptionsCheck::MissingFolder);
  v.OutputFolder = dir_.path();
  EXPECT_EQ(TOptionSetLogic::Check(v), TOptionsCheck::BadLength);
}

TEST_F(OptionSetLogicTest, StoreCopiesEveryControl) {
  TOptionSetLogic logic(settings);
  TOptionsView v = logic.Load();
  QDir(dir_.path()).mkdir("other");
  v.OutputFolder = dir_.path() + "/other";
  v.DeleteWav = false;
  v.OutputFormat = 3;
  v.Normalize = true;
  v.NormalizePercent = 80;
  v.EnableVBR = true;
  v.DisableVBRTag = true;
  v.VBRQuality = 7;
  v.MpegQuality = 1;
  v.StereoMode = 4;
  v.UseQuality = false;
  v.CompressPosition = 77;
  v.OggNominalBitRate = 8;
  v.OggMaxBitRate = 14;
  v.OggMinBitRate = 1;
  v.WmaProfile = 32;
  v.UseID3 = true;
  v.Artist = "Artist";
  v.Album = "Album";
  v.Year = "1999";
  v.Comment = "Comment";
  EXPECT_EQ(logic.Accept(nullptr, v, nullptr), TOptionsCheck::Passed);
  const TOptionsSetting& s = settings;
  EXPECT_EQ(s.CommonOptions.OutputFolder, dir_.path() + "/other");
  EXPECT_TRUE(s.CommonOptions.IsKeepWav);
  EXPECT_EQ(s.CommonOptions.OutputFormat, 3);
  EXPECT_TRUE(s.CommonOptions.IsNormalize);
  EXPECT_EQ(s.CommonOptions.NormalizePercent, 80);
  EXPECT_TRUE(s.Mp3Options.IsSelectVBR);
  EXPECT_TRUE(s.Mp3Options.IsVBRHead);
  EXPECT_EQ(s.Mp3Options.VBRQuality, 7);
  EXPECT_EQ(s.Mp3Options.MpegQuality, 1);
  EXPECT_EQ(s.Mp3Options.StereoMode, 4);
  EXPECT_FALSE(s.OggOptions.IsUseCompress);
  EXPECT_EQ(s.OggOptions.CompressPosition, 77);
  EXPECT_EQ(s.OggOptions.NomalBitRate, 8);
  EXPECT_EQ(s.OggOptions.MaxBitRate, 14);
  EXPECT_EQ(s.OggOptions.MinBitRate, 1);
  EXPECT_EQ(s.WMAOptions.BitRate, 32);
  EXPECT_TRUE(s.ID3Use);
  EXPECT_EQ(s.CDInfo.Artist, "Artist");
  EXPECT_EQ(s.CDInfo.Album, "Album");
  EXPECT_EQ(s.CDInfo.Year, "1999");
  EXPECT_EQ(s.CDInfo.Comment, "Comment");
}

TEST_F(OptionSetLogicTest, GenrePositionStoresOneLess) {
  for (const auto& [position, genre] : {std::pair{0, -1}, {2, 1}, {1, 0}, {148, 147}, {-1, -1}}) {
    TOptionSetLogic logic(settings);
    TOptionsView v = logic.Load();
    v.Genre = position;
    logic.Store(v);
    EXPECT_EQ(settings.CDInfo.Genre, genre) << position;
  }
  EXPECT_EQ(GenreItems()[2], "Acid");
  EXPECT_TRUE(GenreItems()[0].isEmpty());
}

TEST_F(OptionSetLogicTest, UnvisitedDevicePageStoresMinusOneAndOpensNothing) {
  struct TCountingHost final : TOptionsDriveHost {
    int32_t OpenDrive(int) override { return ++calls; }
    void LoadTrackList() override { ++calls; }
    void TakeStatusAsDriveText() override { ++calls; }
    int calls = 0;
  } host;
  settings.CDOptions.Index = 1;
  TOptionSetLogic logic(settings);
  const TOptionsView v = logic.Load();
  EXPECT_FALSE(logic.DriveChanged(v));
  EXPECT_EQ(logic.Accept(nullptr, v, &host), TOptionsCheck::Passed);
  EXPECT_EQ(settings.CDOptions.Index, -1);
  EXPECT_EQ(host.calls, 0);
}

TEST_F(OptionSetLogicTest, DefaultButtonsTouchOnlyTheirPage) {
  TOptionSetLogic logic(settings);
  TOptionsView v = logic.Load();
  v.EnableVBR = true;
  v.DisableVBRTag = true;
  v.MinBitRateText = "40 kbit/s";
  v.MaxBitRateText = "abc";
  v.VBRQuality = 9;
  v.MpegQuality = 2;
  v.StereoMode = 4;
  v.WmaProfile = 20;
  v.OutputFormat = 2;
  TOptionSetLogic::LameDefaults(v);
  EXPECT_FALSE(v.EnableVBR);
  EXPECT_FALSE(v.DisableVBRTag);
  EXPECT_EQ(v.MinBitRateText, "128 kbit/s");
  EXPECT_EQ(v.MaxBitRateText, "320 kbit/s");
  EXPECT_EQ(v.VBRQuality, 4);
  EXPECT_EQ(v.MpegQuality, 0);
  EXPECT_EQ(v.StereoMode, 1);
  EXPECT_EQ(v.WmaProfile, 20);
  EXPECT_EQ(v.OutputFormat, 2);
  TOptionSetLogic::WmaDefault(v);
  EXPECT_EQ(v.WmaProfile, 8);
  EXPECT_EQ(WmaProfileItems()[8], "44.100 kHz,  64 kbit/s, Stereo");
}

TEST(OptionsEnablingTest, EachBoxEnablesItsControls) {
  TOptionsView v;
  v.OutputFormat = 0;
  TOptionsEnabling e = EnablingOf(v);
  EXPECT_FALSE(e.NormalizePercent);
  EXPECT_FALSE(e.RipTime);
  EXPECT_FALSE(e.VBRControls);
  EXPECT_TRUE(e.DeleteWav);
  v.Normalize = v.EnableRipTime = v.EnableVBR = true;
  e = EnablingOf(v);
  EXPECT_TRUE(e.NormalizePercent);
  EXPECT_TRUE(e.RipTime);
  EXPECT_TRUE(e.VBRControls);
  for (const auto& [format, deleteEnabled] :
       {std::pair{0, true}, {1, false}, {2, true}, {3, true}, {-1, true}}) {
    v.OutputFormat = format;
    EXPECT_EQ(EnablingOf(v).DeleteWav, deleteEnabled) << format;
  }
}

TEST(OptionsListsTest, ItemTextsAndCounts) {
  EXPECT_EQ(OutputFormatItems(), QStringList({"MP3 file(*.MP3)", "WAV file(*.WAV)",
                                              "OGG file(*.OGG)", "WMA file(*.WMA)"}));
  ASSERT_EQ(Mp3BitRateItems().size(), 14);
  EXPECT_EQ(Mp3BitRateItems().first(), " 32 kbit/s");
  EXPECT_EQ(Mp3BitRateItems()[kDefaultMinBitRateItem], "128 kbit/s");
  EXPECT_EQ(Mp3BitRateItems()[kDefaultMaxBitRateItem], "320 kbit/s");
  ASSERT_EQ(OggBitRateItems().size(), 15);
  EXPECT_EQ(OggBitRateItems().first(), " Default");
  EXPECT_EQ(OggBitRateItems()[9], "144 kbit/s");
  EXPECT_EQ(VbrQualityItems().size(), 10);
  EXPECT_EQ(StereoModeItems()[kJointStereoItem], "Joint Stereo");
  EXPECT_EQ(GenreItems().size(), 149);
}

TEST(OptionsListsTest, WmaItemsFollowTheProfileTable) {
  ASSERT_EQ(WmaProfileItems().size(), kWMAProfileCount);
  EXPECT_EQ(WmaProfileItems().first(), "48.000 kHz, 192 kbit/s, Stereo");
  EXPECT_EQ(WmaProfileItems().last(), " 8.000 kHz,   5 kbit/s, Mono");
  for (int i = 0; i < kWMAProfileCount; ++i) {
    const QString item = WmaProfileItems()[i];
    const QStringList profile = QString(WMAProfileTable[i]).split('_');
    SCOPED_TRACE(item.toStdString());
    ASSERT_EQ(item.size(), item.endsWith("Mono") ? 28 : 30);
    EXPECT_EQ(item.mid(12, 3).trimmed(), profile[0]);
    EXPECT_EQ(item.left(2).trimmed(), profile[1].left(2));
    EXPECT_EQ(item.endsWith("Stereo") ? "2" : "1", profile[2]);
  }
}
