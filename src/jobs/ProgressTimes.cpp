#include "jobs/ProgressTimes.h"

#include "settings/SharedRoutines.h"

#include <cmath>

QString MinutesSeconds(long long seconds) {
  return FormatTwoDigits(static_cast<int>(seconds / 60)) + ":" +
         FormatTwoDigits(static_cast<int>(seconds % 60));
}

TProgressTimes FormatProgressTimes(double elapsedSeconds, int percent) {
  if (percent <= 0) return {};
  const long long elapsed = std::llround(elapsedSeconds);
  const long long total = std::llround(static_cast<double>(elapsed) * 100.0 / percent);
  return {MinutesSeconds(elapsed), MinutesSeconds(total)};
}
