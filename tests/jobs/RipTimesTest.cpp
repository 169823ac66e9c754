#include "jobs/FileNames.h"
#include "jobs/ProgressTimes.h"
#include "jobs/WaveHeader.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressTimesTest, ElapsedAndEstimatedTotal) {
  const TProgressTimes t = FormatProgressTimes(75.0, 25);
  EXPECT_EQ(t.Elapsed, "01:15");
  EXPECT_EQ(t.Estimated, "05:00");
  EXPECT_EQ(FormatProgressTimes(0.4, 1).Elapsed, "00:00");
  EXPECT_EQ(FormatProgressTimes(0.6, 3).Estimated, "00:33");  // round(1 * 100 / 3)
  EXPECT_EQ(FormatProgressTimes(6000, 100).Elapsed, "100:00");
}

TEST(ProgressTimesTest, NoTextsAtZeroPercent) {
  const TProgressTimes t = FormatProgressTimes(12.0, 0);
  EXPECT_TRUE(t.Elapsed.isEmpty());
  EXPECT_TRUE(t.Estimated.isEmpty());
}

TEST(WaveHeaderTest, CdAudioLayout) {
  const QByteArray h = CdWaveHeader(5292000);
  ASSERT_EQ(h.size(), 44);
  const unsigned char expected[44] = {
      'R',  'I', 'F', 'F', 0x04, 0xC0, 0x50, 0x00, 'W', 'A',  'V',  'E',  'f',  'm',  't',
      ' ',  16,  0,   0,   0,    1,    0,    2,    0,   0x44, 0xAC, 0,    0,    0x10, 0xB1,
      0x02, 0,   4,   0,   16,   0,    'd',  'a',  't', 'a',  0xE0, 0xBF, 0x50, 0x00};
  EXPECT_EQ(h, QByteArray(reinterpret_cast<const char*>(expected), 44));
}

TEST(FileNamesTest, ForbiddenCharactersAndNames) {
  EXPECT_TRUE(IsValidFileName("Track01"));
  EXPECT_TRUE(IsValidFileName("Rock & Roll (Live) - 'Take 2'"));
  EXPECT_TRUE(IsValidFileName("Grüße"));
  for (const char* bad : {"a/b", "a\\b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "", ".",
                          "..", "tab\there", "nl\nhere"})
    EXPECT_FALSE(IsValidFileName(bad)) << bad;
  EXPECT_TRUE(IsValidFileName("..."));  // names a file inside the folder
}

}  // namespace
