#include "EncoderFixture.h"
#include "encoders/Mp3EncodeProcess.h"
#include "encoders/OutputLines.h"
#include "encoders/WMAEncodeProcess.h"

namespace {

TEST(SplitOutputLines, EveryLineEndBreaksAndBlankLinesGo) {
  EXPECT_EQ(SplitOutputLines("a\r\nb\rc\nd"), (QStringList{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitOutputLines("\r\r\n  \n\tx \r"), (QStringList{"\tx "}));
  EXPECT_TRUE(SplitOutputLines("").isEmpty());
  // CR LF split across chunks gives no extra line either way.
  EXPECT_EQ(SplitOutputLines("one\r"), (QStringList{"one"}));
  EXPECT_EQ(SplitOutputLines("\ntwo"), (QStringList{"two"}));
}

TEST(ClockText, MinutesAndSecondsWithTwoDigitsAtLeast) {
  EXPECT_EQ(ClockText(0), QStringLiteral("00:00"));
  EXPECT_EQ(ClockText(65), QStringLiteral("01:05"));
  EXPECT_EQ(ClockText(6000), QStringLiteral("100:00"));
}

TEST(RoundHalfEven, HalvesGoToEven) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(2.51), 3);
}

// lame 3.100's progress table as it arrives through a pipe.
const char kLameHeader[] =
    "LAME 3.100 64bits (http://lame.sf.net)\n"
    "Encoding /m/t.wav to /m/t.mp3\n"
    "Encoding as 44.1 kHz j-stereo MPEG-1 Layer III (11x) 128 kbps qval=3\n"
    "\r    Frame          |  CPU time/estim | REAL time/estim | play/CPU |    ETA \n"
    "     0/       ( 0%)|    0:00/     :  |    0:00/     :  |         x|     :  \r";

class EncodeParser : public TEncoderTest {
 protected:
  void SetUp() override {
    TEncoderTest::SetUp();
    runner_.NotifyWindow = &sink_;
    runner_.Encode = true;
    runner_.SourceFile = QStringLiteral("/m/t.wav");
    runner_.DestFile = QStringLiteral("/m/t.mp3");
  }
  std::vector<TProcessInfo> Progress() {
    QCoreApplication::sendPostedEvents(&sink_);
    std::vector<TProcessInfo> out;
    for (const auto& r : sink_.Snapshot()) out.push_back(r.Info);
    return out;
  }
  TMp3EncodeProcess runner_;
};

TEST_F(EncodeParser, ReadsPercentAndTimeColumnsOfLamesTable) {
  runner_.ParseEncodeOutput(kLameHeader);
  EXPECT_EQ(runner_.ProgressColumn, 15);  // fixed by the 0 % line, which posts nothing
  EXPECT_TRUE(Progress().empty());
  runner_.ParseEncodeOutput(
      "   100/1939   ( 5%)|    0:01/    0:25|    0:01/    0:26|   134.66x|    0:24 \r"
      "  1939/1939  (100%)|    0:26/    0:26|    0:27/    0:27|   136.34x|    0:00 \n");
  const auto got = Progress();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].Code, 5);
  EXPECT_EQ(got[0].Elapsed, QStringLiteral("0:01"));
  EXPECT_EQ(got[0].Estimated, QStringLiteral("0:25"));
  EXPECT_EQ(got[0].Status, 0);
  EXPECT_EQ(got[1].Code, 100);
  EXPECT_EQ(got[1].Elapsed, QStringLiteral("0:26"));
}

TEST_F(EncodeParser, BlankThenDigitReadsAsSevenAndGarbageAsNothing) {
  runner_.ParseEncodeOutput(kLameHeader);
  runner_.ParseEncodeOutput(
      "   135/1939   ( 7%)|    0:00/    0:00|\n"
      "   xxxxxxxxxx (ab%)|    0:00/    0:00|\n"
      "  1939/1939  (101%)|    0:00/    0:00|\n");
  const auto got = Progress();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Code, 7);
}

TEST_F(EncodeParser, FirstPercentLineFixesTheColumnForTheRun) {
  runner_.ParseEncodeOutput("x 5%\n");
  EXPECT_EQ(runner_.ProgressColumn, 1);
  // Later lines are read at that column, even when their "%" stands elsewhere.
  runner_.ParseEncodeOutput("   100/1939   ( 5%)|\n");
  EXPECT_TRUE(Progress().empty());
}

TEST_F(EncodeParser, APercentSignInTheEchoedFileNamesIsNoProgress) {
  runner_.SourceFile = QStringLiteral("/m/50% (mix).wav");
  runner_.DestFile = QStringLiteral("/m/50% (mix).mp3");
  runner_.ParseEncodeOutput(
      "Encoding /m/50% (mix).wav to /m/50% (mix).mp3\n"
      "   100/1939   (42%)|    0:01/    0:25|\n");
  EXPECT_EQ(runner_.ProgressColumn, 15);
  const auto got = Progress();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Code, 42);
}

TEST_F(EncodeParser, ALineCutBetweenChunksIsTwoPieces) {
  runner_.ParseEncodeOutput(kLameHeader);
  runner_.ParseEncodeOutput("   100/1939  ");
  runner_.ParseEncodeOutput("  (42%)|    0:01/    0:25|\n");
  EXPECT_TRUE(Progress().empty());
}

class DecodeParser : public EncodeParser {
 protected:
  void SetUp() override {
    EncodeParser::SetUp();
    runner_.Encode = false;
  }
};

TEST_F(DecodeParser, FrameOfTotalGivesPercentAndTimes) {
  runner_.StartTime = QDateTime::currentDateTime().addSecs(-10);
  runner_.ParseDecodeOutput(
      "input:  /m/t.mp3  (44.1 kHz, 2 channels, MPEG-1 Layer III)\n"
      "\rFrame#   150/1500   128 kbps   MS    \b\b\b\b");
  EXPECT_EQ(runner_.ProgressColumn, 7);
  const auto got = Progress();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Code, 10);
  EXPECT_EQ(got[0].Elapsed, QStringLiteral("00:10"));
  EXPECT_EQ(got[0].Estimated, QStringLiteral("01:40"));
}

TEST_F(DecodeParser, ZeroPercentAndUnreadableCountersPostNothing) {
  runner_.StartTime = QDateTime::currentDateTime();
  runner_.ParseDecodeOutput(
      "Frame#     1/1500   128 kbps\n"
      "Frame#   abc/1500\n"
      "Frame#    10/     0\n"
      "Frame#  1500/1500   128 kbps\n");
  const auto got = Progress();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Code, 100);
}

TEST_F(DecodeParser, NumberSignInTheEchoedNameIsNoCounter) {
  runner_.SourceFile = QStringLiteral("/m/#1 hit.mp3");
  runner_.StartTime = QDateTime::currentDateTime();
  runner_.ParseDecodeOutput(
      "input:  /m/#1 hit.mp3  (44.1 kHz, 2 channels)\n"
      "Frame#   750/1500   128 kbps\n");
  const auto got = Progress();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Code, 50);
}

class WmaParser : public TEncoderTest {
 protected:
  void SetUp() override {
    TEncoderTest::SetUp();
    runner_.NotifyWindow = &sink_;
    runner_.StartTime = QDateTime::currentDateTime();
  }
  TWMAEncodeProcess runner_;
};

TEST_F(WmaParser, ErrorLineEndsTheChunkWithStatusEight) {
  runner_.ParseWmaOutput(
      "Progress: 12%\r\n  ERROR: cannot read input file \"x\"  \nProgress: 100%\n");
  QCoreApplication::sendPostedEvents(&sink_);
  const auto all = sink_.Snapshot();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].Info.Code, 5000);
  EXPECT_EQ(all[0].Info.Status, 8);
  EXPECT_EQ(all[0].Info.Elapsed, QStringLiteral("  ERROR: cannot read input file \"x\"  "));
}

TEST_F(WmaParser, HundredPercentPostsCodeHundredWithAtLeastOneSecond) {
  runner_.ParseWmaOutput("Progress: 99%\nProgress: 100%\n");
  QCoreApplication::sendPostedEvents(&sink_);
  const auto got = sink_.WithCode(100);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Elapsed, QStringLiteral("00:01"));
  EXPECT_EQ(got[0].Estimated, QStringLiteral("00:01"));
  EXPECT_EQ(sink_.Snapshot().size(), 1u);
}

TEST_F(WmaParser, ClockCountsFromTheStart) {
  runner_.StartTime = QDateTime::currentDateTime().addSecs(-65);
  runner_.ParseWmaOutput("Progress: 100%");
  QCoreApplication::sendPostedEvents(&sink_);
  const auto got = sink_.WithCode(100);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Elapsed, QStringLiteral("01:05"));
}

TEST_F(WmaParser, LowerCaseErrorIsNoErrorLine) {
  runner_.ParseWmaOutput("Note: error correction off\n");
  QCoreApplication::sendPostedEvents(&sink_);
  EXPECT_TRUE(sink_.Snapshot().empty());
}

}  // namespace
