#pragma once

#include <QString>

// The elapsed and estimated-total texts of a progress message: "mm:ss" each,
// from the whole seconds elapsed (rounded) and round(elapsed * 100 / percent).
// Both are empty when percent is 0 or less.
struct TProgressTimes {
  QString Elapsed;
  QString Estimated;
};
TProgressTimes FormatProgressTimes(double elapsedSeconds, int percent);

// "mm:ss" of a whole number of seconds; minutes run past 59.
QString MinutesSeconds(long long seconds);
