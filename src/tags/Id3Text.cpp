#include "tags/Id3Text.h"

#include <QList>

QString LeftCharacters(const QString& text, int count) {
  qsizetype units = 0;
  for (int seen = 0; seen < count && units < text.size(); ++seen) {
    const bool pair = text.at(units).isHighSurrogate() && units + 1 < text.size() &&
                      text.at(units + 1).isLowSurrogate();
    units += pair ? 2 : 1;
  }
  return text.left(units);
}

QByteArray EncodeId3Text(const QString& text, int width) {
  QByteArray bytes(width, '\0');
  int used = 0;
  for (const char32_t code : text.toUcs4()) {
    if (used == width) break;
    bytes[used++] = code <= 0xFF ? static_cast<char>(code) : '?';
  }
  return bytes;
}

QString DecodeId3Text(const char* bytes, int size) {
  while (size > 0) {
    const auto last = static_cast<unsigned char>(bytes[size - 1]);
    if (last != 0 && last != 32 && last != 255) break;
    --size;
  }
  return QString::fromLatin1(bytes, size);
}
