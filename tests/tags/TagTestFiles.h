#pragma once

// Small helpers for tag tests: files in a temporary folder, raw tag blocks
// laid out byte by byte.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>

namespace tagtest {

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

// Deterministic audio-like bytes without a "TAG" anywhere.
inline QByteArray AudioBytes(int size) {
  QByteArray bytes(size, '\0');
  uint32_t state = 12345;
  for (int i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = static_cast<char>('a' + (state >> 16) % 16);  // 'a'..'p', no 'T'
  }
  return bytes;
}

// `text` followed by `pad` bytes up to `width`.
inline QByteArray Field(const QByteArray& text, int width, char pad = '\0') {
  QByteArray field = text.left(width);
  field.append(QByteArray(width - field.size(), pad));
  return field;
}

// A 128-byte ID3v1 block from raw field bytes; comment30 is the whole
// 30-byte comment area.
inline QByteArray RawTag(const QByteArray& title, const QByteArray& artist, const QByteArray& album,
                         const QByteArray& year, const QByteArray& comment30, uint8_t genre) {
  QByteArray block("TAG");
  block += Field(title, 30);
  block += Field(artist, 30);
  block += Field(album, 30);
  block += Field(year, 4);
  block += Field(comment30, 30);
  block += static_cast<char>(genre);
  return block;
}

}  // namespace tagtest
