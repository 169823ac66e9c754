#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Reads a typed whole number the way the dialog's number fields accept it:
// leading blanks, an optional sign, then decimal digits or hexadecimal
// digits after "$", "0x" or "0X"; nothing may follow. Empty when the text is
// not such a number or leaves the signed 32-bit range.
std::optional<int32_t> ParseWholeNumber(const QString& text);
