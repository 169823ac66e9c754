#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// Helpers shared by the encoders' output parsers.

// The lines of one chunk of child output: CR LF, a lone CR and a lone LF
// each end a line (so a progress line rewritten with CR gives one line per
// update). Lines whose trimmed text is empty are left out. A line cut
// between two chunks comes out as two pieces.
QStringList SplitOutputLines(const QByteArray& chunk);

// Whole seconds from start to now, rounded to the nearest (halves to even).
int SecondsSince(const QDateTime& start);

// "mm:ss" with at least two digits each; 65 gives "01:05", 6000 "100:00".
QString ClockText(int seconds);

// Rounds to the nearest integer, halves to even.
long long RoundHalfEven(double value);
