#include "encoders/OutputLines.h"

#include "settings/SharedRoutines.h"

#include <cfenv>
#include <cmath>

QStringList SplitOutputLines(const QByteArray& chunk) {
  QString text = QString::fromLocal8Bit(chunk);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QStringList lines;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    if (!line.trimmed().isEmpty()) lines.append(line);
  }
  return lines;
}

long long RoundHalfEven(double value) {
  // nearbyint follows the current rounding mode; make sure it is the default.
  const int previous = std::fegetround();
  if (previous != FE_TONEAREST) std::fesetround(FE_TONEAREST);
  const double rounded = std::nearbyint(value);
  if (previous != FE_TONEAREST) std::fesetround(previous);
  return static_cast<long long>(rounded);
}

int SecondsSince(const QDateTime& start) {
  const qint64 ms = start.msecsTo(QDateTime::currentDateTime());
  return static_cast<int>(RoundHalfEven(static_cast<double>(ms) / 1000.0));
}

QString ClockText(int seconds) {
  return FormatTwoDigits(seconds / 60) + QLatin1Char(':') + FormatTwoDigits(seconds % 60);
}
