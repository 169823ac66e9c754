#pragma once

#include <QByteArray>
#include <QString>

// Text fields of an ID3v1 tag are ISO-8859-1 bytes padded with NULs.

// The first `count` characters (code points, so a surrogate pair is never
// split) of the text.
QString LeftCharacters(const QString& text, int count);

// Exactly `width` bytes: the text in ISO-8859-1, a character outside that
// set as "?", cut or padded with NUL bytes.
QByteArray EncodeId3Text(const QString& text, int width);

// The bytes as ISO-8859-1 text, without trailing bytes 0, 32 and 255.
QString DecodeId3Text(const char* bytes, int size);
