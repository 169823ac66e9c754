// The output parsers on what the real lame and trackwell-wmaenc printed
// (recorded under data/), line by line as the runners split it.
#include "encoders/EncoderOutput.h"
#include "encoders/OutputLines.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {
QStringList RecordedLines(const char* name) {
  QFile file(QStringLiteral(TW_SOURCE_DIR "/tests/encoders/data/") + name);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
  return SplitOutputLines(file.readAll());
}

TEST(RecordedOutput, LameProgressRisesToOneHundredAndStaysInRange) {
  const struct {
    const char* File;
    bool Decode;
    std::vector<int> FirstAndLast;
    int Count;
  } cases[] = {{"lame-encode.txt", false, {86, 100}, 2}, {"lame-decode.txt", true, {1, 100}, 116}};
  for (const auto& c : cases) {
    int32_t column = 0;
    std::vector<int> percents;
    for (const QString& line : RecordedLines(c.File)) {
      const auto p = c.Decode ? ParseLameDecodeLine(line, &column, {"tone.mp3", "out.wav"}, 4)
                              : ParseLameEncodeLine(line, &column, {"tone.wav", "tone.mp3"});
      if (!p) continue;
      ASSERT_TRUE(p->Percent >= 1 && p->Percent <= 100) << c.File;
      if (!percents.empty()) {
        EXPECT_GE(p->Percent, percents.back()) << c.File;
      }
      percents.push_back(p->Percent);
    }
    ASSERT_EQ(static_cast<int>(percents.size()), c.Count) << c.File;
    EXPECT_EQ(percents.front(), c.FirstAndLast[0]) << c.File;
    EXPECT_EQ(percents.back(), c.FirstAndLast[1]) << c.File;
  }
}

TEST(RecordedOutput, WmaUtilityLinesGiveDoneErrorAndRate) {
  const struct {
    const char* File;
    int Done, Errors, Kbps;
  } cases[] = {{"wma-ok.txt", 1, 0, 0}, {"wma-note.txt", 1, 0, 24}, {"wma-error.txt", 0, 1, 0}};
  for (const auto& c : cases) {
    int done = 0, errors = 0, kbps = 0;
    for (const QString& line : RecordedLines(c.File)) {
      const TWmaLine parsed = ParseWmaLine(line);
      done += parsed.Done;
      errors += parsed.Error;
      if (parsed.Kbps) kbps = parsed.Kbps;
    }
    EXPECT_EQ(done, c.Done) << c.File;
    EXPECT_EQ(errors, c.Errors) << c.File;
    EXPECT_EQ(kbps, c.Kbps) << c.File;
  }
}
}  // namespace
