#include "options/WholeNumber.h"

namespace {
// The value of an ASCII digit in that base, -1 for anything else.
int DigitValue(QChar c, int base) {
  const char16_t u = c.unicode();
  int digit = -1;
  if (u >= '0' && u <= '9') digit = u - '0';
  if (u >= 'a' && u <= 'f') digit = u - 'a' + 10;
  if (u >= 'A' && u <= 'F') digit = u - 'A' + 10;
  return digit < base ? digit : -1;
}
}  // namespace

std::optional<int32_t> ParseWholeNumber(const QString& text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < n && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == n) return std::nullopt;
  // A magnitude in 64 bits: one step past the 32-bit range tells overflow.
  int64_t value = 0;
  for (; i < n; ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0) return std::nullopt;
    value = value * base + digit;
    if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}
