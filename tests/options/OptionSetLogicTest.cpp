// The options dialog's logic without its window: number fields, the checks
// of OK, the store order and the lists.
#include "ScriptedDialogs.h"
#include "options/OptionSetLogic.h"
#include "options/OptionsLists.h"
#include "options/WholeNumber.h"
#include "settings/OptionsSetting.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

class OptionSetLogicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    settings.CommonOptions.OutputFolder = dir_.path();
    settings.Mp3Options.BitRate = 128;
    settings.Mp3Options.MaxBitRate = 320;
    settings.WMAOptions.BitRate = 8;
    settings.CDOptions.Index = 1;
  }

  TScriptedDialogs Dialog;
  QTemporaryDir dir_;
  TOptionsSetting settings;
};

}  // namespace

TEST(WholeNumberTest, AcceptsWhatTheFieldsAccept) {
  const std::pair<const char*, std::optional<int32_t>> cases[] = {
      {"10", 10},
      {"-100", -100},
      {"+7", 7},
      {"  42", 42},
      {"$1F", 31},
      {"-0X1a", -26},
      {"-2147483648", INT32_MIN},
      {"2147483648", {}},
      {"abc", {}},
      {"", {}},
      {"12 ", {}},
      {"1.5", {}},
      {"0x", {}},
      {"\xd9\xa3", {}}};  // an Arabic-Indic digit
  for (const auto& [text, value] : cases)
    EXPECT_EQ(ParseWholeNumber(QString::fromUtf8(text)), value) << text;
}

TEST_F(OptionSetLogicTest, BitRateFieldsStoreTheirFirstThreeCharacters) {
  for (const auto& [text, rate] :
       {std::pair{"64 kbit/s", 64}, {" 32 kbit/s", 32}, {"320 kbit/s", 320}, {" 8 kbit/s", 8}}) {
    TOptionSetLogic logic(settings);
    TOptionsView v = logic.Load();
    v.MinBitRateText = v.MaxBitRateText = text;
    logic.Store(v);
    EXPECT_EQ(settings.Mp3Options.BitRate, rate) << text;
    EXPECT_EQ(settings.Mp3Options.MaxBitRate, rate) << text;
  }
  // Shown padded like the list: a rate below 10 reads back too.
  EXPECT_EQ(TOptionSetLogic(settings).Load().MinBitRateText, "  8 kbit/s");
}

TEST_F(OptionSetLogicTest, BadBitRateStopsTheStoreHalfWay) {
  TOptionSetLogic logic(settings);
  TOptionsView v = logic.Load();
  v.OutputFormat = 2;
  v.MinBitRateText = "64 kbit/s";
  v.MaxBitRateText = "abcdef";
  v.WmaProfile = 3;
  try {
    logic.Store(v);
    FAIL() << "no error";
  } catch (const EOptionsValueError& error) {
    EXPECT_STREQ(error.what(), "'abc' is not a valid integer value");
  }
  EXPECT_EQ(settings.CommonOptions.OutputFormat, 2);  // stored before the failing field
  EXPECT_EQ(settings.Mp3Options.BitRate, 64);
  EXPECT_EQ(settings.Mp3Options.MaxBitRate, 320);  // not after it
  EXPECT_EQ(settings.WMAOptions.BitRate, 8);
}

TEST_F(OptionSetLogicTest, LengthTextsAndTheLengthCheck) {
  const std::pair<const char*, std::optional<int32_t>> cases[] = {
      {"10", 10}, {"abc", {}}, {"-100", {}}, {"-5", -5}, {"", {}}};
  for (const auto& [text, stored] : cases) {
    settings.CommonOptions.RipTime = 99;
    TOptionSetLogic logic(settings);
    TOptionsView v = logic.Load();
    v.EnableRipTime = true;
    v.RipTimeText = text;
    Dialog.Messages.clear();
    const TOptionsCheck check = logic.Accept(nullptr, v, nullptr);
    EXPECT_EQ(check, stored ? TOptionsCheck::Passed : TOptionsCheck::BadLength) << text;
    EXPECT_EQ(settings.CommonOptions.RipTime, stored.value_or(99)) << text;
    if (stored) continue;
    ASSERT_EQ(Dialog.Messages.size(), 1u);
    EXPECT_EQ(Dialog.Messages[0].Text, "Please check the song length field.");
    EXPECT_EQ(Dialog.Messages[0].Icon, TMsgIcon::Error);
  }
}

TEST_F(OptionSetLogicTest, MissingFolderIsNamedBeforeTheLengthIsChecked) {
  TOptionSetLogic logic(settings);
  TOptionsView v = logic.Load();
  v.OutputFolder = dir_.path() + "/not/there";
  v.RipTimeText = "abc";
  EXPECT_EQ(logic.Accept(nullptr, v, nullptr), TOptionsCheck::MissingFolder);
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text,
            dir_.path() + "/not/there,The output directory does not exist.");
  EXPECT_EQ(Dialog.Messages[0].Icon, TMsgIcon::Error);
  EXPECT_EQ(settings.CommonOptions.OutputFolder, dir_.path());
  v.OutputFolder = "";
  EXPECT_EQ(TOptionSetLogic::Check(v), TOptionsCheck::MissingFolder);
}

TEST_F(OptionSetLogicTest, GenrePositionStoresOneLess) {
  for (const auto& [position, genre] : {std::pair{0, -1}, {2, 1}, {148, 147}, {-1, -1}}) {
    TOptionSetLogic logic(settings);
    TOptionsView v = logic.Load();
    v.Genre = position;
    logic.Store(v);
    EXPECT_EQ(settings.CDInfo.Genre, genre) << position;
  }
  EXPECT_EQ(GenreItems()[2], "Acid");
}

TEST_F(OptionSetLogicTest, UnvisitedDevicePageStoresMinusOneAndOpensNothing) {
  struct TCountingHost final : TOptionsDriveHost {
    int32_t OpenDrive(int) override { return ++calls; }
    void LoadTrackList() override { ++calls; }
    void TakeStatusAsDriveText() override { ++calls; }
    int calls = 0;
  } host;
  TOptionSetLogic logic(settings);
  EXPECT_EQ(logic.Accept(nullptr, logic.Load(), &host), TOptionsCheck::Passed);
  EXPECT_EQ(settings.CDOptions.Index, -1);
  EXPECT_EQ(host.calls, 0);
}
