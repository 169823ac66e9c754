#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// Pure parsers of the encoders' output, one line at a time; the runners post
// what they return. A line is what SplitOutputLines gives.

struct TEncodeProgress {
  int Percent = 0;  // 1..100
  QString Elapsed;
  QString Estimated;
};

// lame's progress table: "(nn%)" after the frame counter, the CPU time used
// and estimated at columns 21 and 30. *column is 0 until the first line
// holding "%" fixes it for the run (the percent's column, 1-based). A "%"
// inside one of the echoed paths is no progress.
std::optional<TEncodeProgress> ParseLameEncodeLine(const QString& line, int32_t* column,
                                                   const QStringList& paths);

// lame --decode: "Frame#  nnnn/total" records; *column as above, fixed by
// the first line holding "#". Times are counted from elapsedSeconds.
std::optional<TEncodeProgress> ParseLameDecodeLine(const QString& line, int32_t* column,
                                                   const QStringList& paths, int elapsedSeconds);

// One line of the WMA utility: "ERROR" (capitals) ends the job, "100%" is
// done, "encoding at N kbit/s" notes the rate it really uses.
struct TWmaLine {
  bool Error = false;
  bool Done = false;
  int Kbps = 0;  // 0 when the line notes no rate
};
TWmaLine ParseWmaLine(const QString& line);
