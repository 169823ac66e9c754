#include "encoders/EncoderOutput.h"

#include "encoders/OutputLines.h"

#include <QRegularExpression>

namespace {
// Reads a trimmed decimal number; fallback when it is none.
int ToIntOr(const QString& text, int fallback) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok, 10);
  return ok ? value : fallback;
}

// Text from a 1-based column, as many characters as there are.
QString Columns(const QString& line, int column, int count) {
  if (column < 1) return QString();
  return line.mid(column - 1, count);
}

bool EchoesAPath(const QString& line, const QStringList& paths, QChar marker) {
  for (const QString& path : paths)
    if (path.contains(marker) && line.contains(path)) return true;
  return false;
}
}  // namespace

std::optional<TEncodeProgress> ParseLameEncodeLine(const QString& line, int32_t* column,
                                                   const QStringList& paths) {
  if (!line.contains(QLatin1Char('%')) || EchoesAPath(line, paths, QLatin1Char('%'))) return {};
  if (*column == 0) *column = static_cast<int32_t>(line.indexOf('%') + 1) - 3;
  if (*column == 0) return {};
  QString p = Columns(line, *column, 3).trimmed();
  if (p.startsWith(QLatin1Char('('))) p.remove(0, 1);
  const int percent = ToIntOr(p, 0);
  if (percent < 1 || percent > 100) return {};
  return TEncodeProgress{percent, Columns(line, 21, 8).trimmed(), Columns(line, 30, 8).trimmed()};
}

std::optional<TEncodeProgress> ParseLameDecodeLine(const QString& line, int32_t* column,
                                                   const QStringList& paths, int elapsedSeconds) {
  if (EchoesAPath(line, paths, QLatin1Char('#'))) return {};
  if (*column == 0 && line.contains(QLatin1Char('#')))
    *column = static_cast<int32_t>(line.indexOf('#') + 1) + 1;
  if (*column == 0) return {};
  const int frame = ToIntOr(Columns(line, *column, 6), -1);
  const int total = ToIntOr(Columns(line, *column + 7, 6), -1);
  if (frame == -1 || total <= 0) return {};
  const int percent = static_cast<int>(static_cast<long long>(frame) * 100 / total);
  if (percent < 1 || percent > 100) return {};
  return TEncodeProgress{
      percent, ClockText(elapsedSeconds),
      ClockText(static_cast<int>(RoundHalfEven(elapsedSeconds * 100.0 / percent)))};
}

TWmaLine ParseWmaLine(const QString& line) {
  static const QRegularExpression note(QStringLiteral("encoding at (\\d+) kbit/s"));
  TWmaLine result;
  result.Error = line.contains(QStringLiteral("ERROR"));
  result.Done = line.contains(QStringLiteral("100%"));
  const QRegularExpressionMatch m = note.match(line);
  if (m.hasMatch()) result.Kbps = m.captured(1).toInt();
  return result;
}
