#include "EncoderFixture.h"
#include "encoders/Mp3EncodeProcess.h"
#include "encoders/WMAEncodeProcess.h"
#include "encoders/WMAProfiles.h"

#include <QStringList>

namespace {

class Mp3CommandLine : public TEncoderTest {
 protected:
  TCommandLine Build(bool encode = true) {
    runner_.SourceFile = QStringLiteral("src");
    runner_.DestFile = QStringLiteral("dst");
    runner_.Encode = encode;
    return runner_.BuildCommandLine(QStringLiteral("/usr/bin/lame"));
  }
  TMp3EncodeProcess runner_;
};

TEST_F(Mp3CommandLine, DefaultsGiveBitRateJointStereoAndTheQuotedPaths) {
  const TCommandLine c = Build();
  EXPECT_EQ(c.Text, QStringLiteral("lame.exe -b 128 -m j \"src\" \"dst\""));
  EXPECT_EQ(c.Arguments,
            (QStringList{"/usr/bin/lame", "--nohist", "-b", "128", "-m", "j", "src", "dst"}));
}

TEST_F(Mp3CommandLine, VbrAddsQualityCeilingAndTagSwitch) {
  OptionsSetting.Mp3Options.IsSelectVBR = true;
  OptionsSetting.Mp3Options.IsVBRHead = true;
  EXPECT_EQ(Build().Text, QStringLiteral("lame.exe -b 128 -m j -V 4 -B 320 -t \"src\" \"dst\""));
  OptionsSetting.Mp3Options.IsVBRHead = false;
  EXPECT_EQ(Build().Text, QStringLiteral("lame.exe -b 128 -m j -V 4 -B 320 \"src\" \"dst\""));
}

TEST_F(Mp3CommandLine, VbrTagSwitchNeedsVbr) {
  OptionsSetting.Mp3Options.IsVBRHead = true;
  EXPECT_EQ(Build().Text, QStringLiteral("lame.exe -b 128 -m j \"src\" \"dst\""));
}

TEST_F(Mp3CommandLine, StereoModesAndQualities) {
  const char* const modes[] = {" -m s", " -m j", " -m f", " -m d", " -m m", "", ""};
  const int values[] = {0, 1, 2, 3, 4, 5, -1};
  for (int i = 0; i < 7; ++i) {
    OptionsSetting.Mp3Options.StereoMode = values[i];
    EXPECT_EQ(
        Build().Text,
        QStringLiteral("lame.exe -b 128%1 \"src\" \"dst\"").arg(QString::fromLatin1(modes[i])))
        << "mode " << values[i];
  }
  OptionsSetting.Mp3Options.StereoMode = 1;
  OptionsSetting.Mp3Options.BitRate = 192;
  OptionsSetting.Mp3Options.MpegQuality = 1;
  EXPECT_EQ(Build().Text, QStringLiteral("lame.exe -b 192 -m j -f \"src\" \"dst\""));
  OptionsSetting.Mp3Options.MpegQuality = 2;
  EXPECT_EQ(Build().Text, QStringLiteral("lame.exe -b 192 -m j -h \"src\" \"dst\""));
  OptionsSetting.Mp3Options.MpegQuality = 3;
  EXPECT_EQ(Build().Text, QStringLiteral("lame.exe -b 192 -m j \"src\" \"dst\""));
}

TEST_F(Mp3CommandLine, DecodingReadsNoSetting) {
  OptionsSetting.Mp3Options.IsSelectVBR = true;
  const TCommandLine c = Build(false);
  EXPECT_EQ(c.Text, QStringLiteral("lame.exe --decode \"src\" \"dst\""));
  EXPECT_EQ(c.Arguments, (QStringList{"/usr/bin/lame", "--decode", "src", "dst"}));
}

TEST_F(Mp3CommandLine, HostilePathsStayOneArgumentEachAndNeverLookLikeSwitches) {
  runner_.SourceFile = QStringLiteral("-V 0 $(touch x) `y`; \"q\".wav");
  runner_.DestFile = QStringLiteral("/out/a b;c.mp3");
  const TCommandLine c = runner_.BuildCommandLine(QStringLiteral("lame"));
  EXPECT_EQ(
      c.Text,
      QStringLiteral("lame.exe -b 128 -m j \"-V 0 $(touch x) `y`; \"q\".wav\" \"/out/a b;c.mp3\""));
  ASSERT_GE(c.Arguments.size(), 2);
  EXPECT_EQ(c.Arguments.at(c.Arguments.size() - 2),
            QStringLiteral("./-V 0 $(touch x) `y`; \"q\".wav"));
  EXPECT_EQ(c.Arguments.last(), QStringLiteral("/out/a b;c.mp3"));
}

class WmaCommandLine : public TEncoderTest {
 protected:
  TCommandLine Build() {
    runner_.SourceFile = QStringLiteral("/m/src.wav");
    runner_.DestFile = QStringLiteral("/m/dst.wma");
    return runner_.BuildCommandLine(QStringLiteral("/bin/trackwell-wmaenc"));
  }
  TWMAEncodeProcess runner_;
};

TEST_F(WmaCommandLine, DefaultsGiveProfileEight) {
  const TCommandLine c = Build();
  EXPECT_EQ(c.Text, QStringLiteral("/bin/trackwell-wmaenc -input \"/m/src.wav\" -output "
                                   "\"/m/dst.wma\" -a_setting 64_44_2"));
  EXPECT_EQ(c.Arguments, (QStringList{"/bin/trackwell-wmaenc", "-input", "/m/src.wav", "-output",
                                      "/m/dst.wma", "-a_setting", "64_44_2"}));
}

TEST_F(WmaCommandLine, IndexOutOfRangeBecomesEightAndIsStoredBack) {
  for (int bad : {40, 33, -1}) {
    OptionsSetting.WMAOptions.BitRate = bad;
    EXPECT_TRUE(Build().Text.endsWith(QStringLiteral(" -a_setting 64_44_2"))) << bad;
    EXPECT_EQ(OptionsSetting.WMAOptions.BitRate, 8);
  }
  OptionsSetting.WMAOptions.BitRate = 32;
  EXPECT_TRUE(Build().Text.endsWith(QStringLiteral(" -a_setting 5_8_1")));
  OptionsSetting.WMAOptions.BitRate = 0;
  EXPECT_TRUE(Build().Text.endsWith(QStringLiteral(" -a_setting 192_48_2")));
}

TEST_F(WmaCommandLine, TagsOnlyWithId3UseAndOnlyWhenNotEmpty) {
  OptionsSetting.CDInfo.Artist = QStringLiteral("The Band");
  OptionsSetting.CDInfo.Comment = QStringLiteral("ripped");
  OptionsSetting.ID3Use = false;
  EXPECT_TRUE(Build().Text.endsWith(QStringLiteral("64_44_2")));

  OptionsSetting.ID3Use = true;
  TCommandLine c = Build();
  EXPECT_TRUE(
      c.Text.endsWith(QStringLiteral(" -a_setting 64_44_2 -author The Band -description "
                                     "ripped")));
  EXPECT_EQ(c.Arguments.mid(7), (QStringList{"-author", "The Band", "-description", "ripped"}));

  OptionsSetting.CDInfo.Artist.clear();
  c = Build();
  EXPECT_TRUE(c.Text.endsWith(QStringLiteral(" -a_setting 64_44_2 -description ripped")));
  EXPECT_FALSE(c.Text.contains(QStringLiteral("-author")));
}

TEST_F(WmaCommandLine, NothingToStartWhenNotEncoding) {
  runner_.Encode = false;
  EXPECT_TRUE(Build().Arguments.isEmpty());
}

TEST(WMAProfileTable, RatiosFollowTheBitRateOfEachProfile) {
  // The ratio is CD audio (1411.2 kbit/s) over the WMA bit rate, give or
  // take the container's overhead: a mistyped row shows up here.
  ASSERT_EQ(WMAProfileTable.size(), 33u);
  EXPECT_STREQ(WMAProfileTable[8], "64_44_2");
  EXPECT_EQ(WMAProfileRatio[8], 21790);
  for (int i = 0; i < kWMAProfileCount; ++i) {
    const QStringList f = QString::fromLatin1(WMAProfileTable[i]).split('_');
    ASSERT_EQ(f.size(), 3) << i;
    EXPECT_TRUE(f[2] == "1" || f[2] == "2") << i;
    const double expected = 1411.2 / f[0].toDouble();
    EXPECT_NEAR(WMAProfileRatio[i] / 1000.0, expected, expected * 0.1) << WMAProfileTable[i];
  }
}

}  // namespace
