#include "encoders/TestWav.h"
#include "wmaenc/WmaArguments.h"
#include "wmaenc/WmaEncoder.h"
#include "wmaenc/WmaProfile.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <string>
#include <vector>

namespace {

TEST(WmaArguments, SwitchesTakeTheNextArgumentWhateverItLooksLike) {
  std::string error;
  const auto a = ParseWmaArguments({"-input", "-in.wav", "-output", "out put.wma", "-a_setting",
                                    "64_44_2", "-author", "-description", "-description", ""},
                                   error);
  ASSERT_TRUE(a) << error;
  EXPECT_EQ(a->Input, "-in.wav");
  EXPECT_EQ(a->Output, "out put.wma");
  EXPECT_EQ(a->Setting, "64_44_2");
  EXPECT_EQ(a->Author, "-description");
  EXPECT_EQ(a->Description, "");
}

TEST(WmaArguments, MissingOrUnknownSwitchesAreRefused) {
  std::string error;
  EXPECT_FALSE(ParseWmaArguments({"-input", "a.wav", "-output"}, error));
  EXPECT_EQ(error, "switch -output needs a value");
  EXPECT_FALSE(ParseWmaArguments({"-input", "a.wav", "-a_setting", "64_44_2"}, error));
  EXPECT_EQ(error, "no output file given (-output)");
  EXPECT_FALSE(ParseWmaArguments({"-input", "a", "-output", "b", "-bogus", "1"}, error));
  EXPECT_EQ(error, "unknown switch -bogus");
  EXPECT_FALSE(ParseWmaArguments({"-input", "a", "-output", "b"}, error));
  EXPECT_EQ(error, "no encoder setting given (-a_setting)");
}

TEST(WmaArguments, AnEmptySettingIsRefusedLikeAnEmptyPath) {
  std::string error;
  EXPECT_FALSE(ParseWmaArguments({"-input", "a", "-output", "b", "-a_setting", ""}, error));
  EXPECT_EQ(error, "no encoder setting given (-a_setting)");
  EXPECT_FALSE(ParseWmaArguments({"-input", "", "-output", "b", "-a_setting", "64_44_2"}, error));
  EXPECT_EQ(error, "no input file given (-input)");
}

TEST(WmaProfile, RatesInWholeKilohertzAndChannels) {
  const auto p = ParseWmaProfile("64_44_2");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->BitRate, 64000);
  EXPECT_EQ(p->SampleRate, 44100);
  EXPECT_EQ(p->Channels, 2);
  EXPECT_EQ(ParseWmaProfile("16_22_1")->SampleRate, 22050);
  EXPECT_EQ(ParseWmaProfile("8_11_1")->SampleRate, 11025);
  EXPECT_EQ(ParseWmaProfile("5_8_1")->SampleRate, 8000);
  EXPECT_EQ(ParseWmaProfile("192_48_2")->SampleRate, 48000);
  for (const char* bad : {"", "64_44", "64_44_2_1", "64_45_2", "64_44_3", "0_44_2", "x_44_2",
                          "64__2", "-64_44_2", "99999_44_2"})
    EXPECT_FALSE(ParseWmaProfile(bad)) << bad;
}

class WmaEncoderRun : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString Path(const char* name) const { return dir_.path() + "/" + name; }
  int Run(TWmaArguments args, const std::atomic<bool>* interrupted = nullptr) {
    lines_.clear();
    return RunWmaEncoder(
        args, [this](const std::string& l) { lines_.push_back(l); }, interrupted);
  }
  TWmaArguments Args(const QString& in, const QString& out, const char* setting) const {
    TWmaArguments a;
    a.Input = QFile::encodeName(in).toStdString();
    a.Output = QFile::encodeName(out).toStdString();
    a.Setting = setting;
    return a;
  }
  QTemporaryDir dir_;
  std::vector<std::string> lines_;
};

TEST_F(WmaEncoderRun, ResamplesAndRemixesToTheProfile) {
  const QString wav = Path("in.wav");
  ASSERT_TRUE(WriteSineWav(wav, 48000, 1, 2.0));
  const QString wma = Path("out.wma");
  ASSERT_EQ(Run(Args(wav, wma, "32_44_2")), 0);
  const QString probe = Probe(wma);
  EXPECT_EQ(ProbeValue(probe, "codec_name"), "wmav2");
  EXPECT_EQ(ProbeValue(probe, "sample_rate"), "44100");
  EXPECT_EQ(ProbeValue(probe, "channels"), "2");
  EXPECT_EQ(ProbeValue(probe, "bit_rate"), "32000");

  // Progress rises, stays below 100 until the last line says 100%.
  ASSERT_FALSE(lines_.empty());
  EXPECT_EQ(lines_.back(), "Progress: 100%");
  int previous = -1;
  for (size_t i = 0; i + 1 < lines_.size(); ++i) {
    ASSERT_EQ(lines_[i].rfind("Progress: ", 0), 0u) << lines_[i];
    const int p = std::stoi(lines_[i].substr(10));
    EXPECT_GT(p, previous);
    EXPECT_LT(p, 100);
    previous = p;
  }
}

TEST_F(WmaEncoderRun, ABitRateTooLowIsRaisedWithANote) {
  const QString wav = Path("in.wav");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 1.0));
  const QString wma = Path("out.wma");
  ASSERT_EQ(Run(Args(wav, wma, "6_8_1")), 0);
  ASSERT_FALSE(lines_.empty());
  EXPECT_EQ(lines_.front().rfind("Note: 6 kbit/s", 0), 0u) << lines_.front();
  EXPECT_EQ(lines_.front().find("ERROR"), std::string::npos);
  const QString probe = Probe(wma);
  EXPECT_EQ(ProbeValue(probe, "sample_rate"), "8000");
  EXPECT_EQ(ProbeValue(probe, "channels"), "1");
  EXPECT_EQ(ProbeValue(probe, "bit_rate"), "24000");
}

TEST_F(WmaEncoderRun, FailuresSayErrorAndLeaveNoOutput) {
  const QString wav = Path("in.wav");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 0.5));
  const QString wma = Path("out.wma");
  struct Case {
    TWmaArguments args;
    const char* reason;
  };
  QFile junk(Path("junk.wav"));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("not a wave file at all");
  junk.close();
  const std::vector<Case> cases = {
      {Args(Path("missing.wav"), wma, "64_44_2"), "cannot read input file"},
      {Args(Path("junk.wav"), wma, "64_44_2"), "is not a readable WAV file"},
      {Args(wav, wma, "64_45_2"), "unknown encoder setting"},
      {Args(wav, Path("no/such/folder/out.wma"), "64_44_2"), "cannot write output file"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.args), 1) << c.reason;
    ASSERT_EQ(lines_.size(), 1u) << c.reason;
    EXPECT_EQ(lines_[0].rfind("ERROR: ", 0), 0u);
    EXPECT_NE(lines_[0].find(c.reason), std::string::npos) << lines_[0];
    EXPECT_FALSE(QFileInfo::exists(wma));
  }
}

TEST_F(WmaEncoderRun, RefusesToWriteOverItsOwnInput) {
  const QString wav = Path("in.wav");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 0.5));
  const qint64 size = QFileInfo(wav).size();
  EXPECT_EQ(Run(Args(wav, wav, "64_44_2")), 1);
  EXPECT_EQ(lines_.at(0), "ERROR: input and output are the same file");
  EXPECT_EQ(QFileInfo(wav).size(), size);
}

TEST_F(WmaEncoderRun, AnInterruptedRunRemovesItsPartialFile) {
  const QString wav = Path("in.wav");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 1.0));
  const QString wma = Path("out.wma");
  std::atomic<bool> interrupted{true};
  EXPECT_EQ(Run(Args(wav, wma, "64_44_2"), &interrupted), 1);
  EXPECT_EQ(lines_.back(), "ERROR: interrupted");
  EXPECT_FALSE(QFileInfo::exists(wma));
}

TEST_F(WmaEncoderRun, PathsThatLookLikeProtocolsAreFiles) {
  // Relative names with a colon would otherwise be taken as protocols
  // ("pipe:1" is standard output).
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir_.path()));
  const bool written = WriteSineWav(QStringLiteral("pipe:1.wav"), 44100, 2, 0.5);
  const int rc =
      written ? Run(Args(QStringLiteral("pipe:1.wav"), QStringLiteral("http:x.wma"), "64_44_2"))
              : -1;
  QDir::setCurrent(previous);
  ASSERT_EQ(rc, 0);
  EXPECT_GT(QFileInfo(Path("http:x.wma")).size(), 1000);
  EXPECT_EQ(ProbeValue(Probe(Path("http:x.wma")), "codec_name"), "wmav2");
}

TEST(WmaUtilityProgram, ExitsNonZeroWithAnErrorLine) {
  QProcess p;
  p.start(
      QStringLiteral(TW_BUILD_DIR "/trackwell-wmaenc"),
      {"-input", "/nonexistent/x.wav", "-output", "/nonexistent/x.wma", "-a_setting", "64_44_2"});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_NE(p.exitCode(), 0);
  EXPECT_TRUE(p.readAllStandardOutput().startsWith("ERROR: cannot read input file"));

  p.start(QStringLiteral(TW_BUILD_DIR "/trackwell-wmaenc"), {"-input"});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_NE(p.exitCode(), 0);
  EXPECT_TRUE(p.readAllStandardOutput().startsWith("ERROR: switch -input needs a value"));
}

}  // namespace
