#include "FuzzTargets.h"

#include "encoders/EncoderOutput.h"
#include "encoders/OutputLines.h"

// lame's output split into lines as the runner splits it; the first line
// doubles as an echoed path. Every progress reported is 1..100.
int FuzzLameOutput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const QStringList lines = SplitOutputLines(bytes);
  const QStringList paths = lines.isEmpty() ? QStringList() : QStringList{lines.first()};
  int32_t encodeColumn = 0, decodeColumn = 0;
  int elapsed = 0;
  for (const QString& line : lines) {
    FUZZ_CHECK(!line.trimmed().isEmpty());
    FUZZ_CHECK(!line.contains('\n') && !line.contains('\r'));
    if (const auto p = ParseLameEncodeLine(line, &encodeColumn, paths)) {
      FUZZ_CHECK(p->Percent >= 1 && p->Percent <= 100);
      FUZZ_CHECK(p->Elapsed.size() <= 8 && p->Estimated.size() <= 8);
    }
    if (const auto p = ParseLameDecodeLine(line, &decodeColumn, paths, elapsed)) {
      FUZZ_CHECK(p->Percent >= 1 && p->Percent <= 100);
      FUZZ_CHECK(!p->Elapsed.isEmpty() && !p->Estimated.isEmpty());
    }
    elapsed = (elapsed * 31 + int(line.size())) % 100000;
  }
  return 0;
}

// The WMA utility's lines: a rate is noted only where the line says so,
// and is never negative.
int FuzzWmaOutput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  for (const QString& line : SplitOutputLines(bytes)) {
    const TWmaLine parsed = ParseWmaLine(line);
    FUZZ_CHECK(parsed.Kbps >= 0);
    if (parsed.Kbps > 0) FUZZ_CHECK(line.contains(QStringLiteral("encoding at ")));
    FUZZ_CHECK(parsed.Error == line.contains(QStringLiteral("ERROR")));
    FUZZ_CHECK(parsed.Done == line.contains(QStringLiteral("100%")));
  }
  return 0;
}
