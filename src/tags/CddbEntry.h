#pragma once

// A freedb disc entry read into its fields. An entry is a list of
// key=value lines; a long value may continue on further lines with the same
// key, whose values are joined in order. Comment lines ("#..."), lines
// without "=" and keys other than those below are skipped. Pure: text in,
// record out.

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>

struct TCddbEntry {
  std::optional<QString> DTitle;  // "artist / album", joined and trimmed
  std::optional<QString> DYear;
  std::optional<QString> DGenre;
  // TTITLEn by n (tracks counted from 0, at most 0..99), joined and trimmed.
  std::map<int, QString> Titles;
};

inline constexpr int kCddbMaxTitles = 100;

// The entry's text as UTF-8; a text that is not valid UTF-8 (an old entry
// stored in Latin-1) is read as Latin-1 instead.
QString DecodeCddbText(const QByteArray& text);

TCddbEntry ParseCddbEntry(const QByteArray& text);

// DTITLE split at its first " / " into artist and album, both trimmed.
// Without " / " the artist is empty and the whole value is the album.
void SplitDiscTitle(const QString& dtitle, QString* artist, QString* album);
