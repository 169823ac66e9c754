#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The program's genre list: 148 names in display order, each with its ID3v1
// genre number. Positions 1..148 of every genre combo box are these names;
// position 0 is the empty entry meaning "no genre".

inline constexpr int kGenreCount = 148;
inline constexpr uint8_t kNoGenre = 255;

// The ID3 number of the name at that list position; 0 and positions outside
// 1..148 give 255 (no genre). Takes an int so that a position read from a
// file never wraps into a valid one.
uint8_t GenreToByte(int position);

// The list position of that ID3 number's name; numbers outside 0..147 give 0.
uint8_t ByteToGenre(int genre);

// The name's index in the 148-name table counted from 0, or -1 when absent.
// Exact, case-sensitive comparison.
int GenreIndexOfName(const QString& name);

// The name at that index of the 148-name table (0-based, as TCDInfo keeps
// its genre); empty for -1 and anything outside the table.
QString GenreNameAt(int index);

// The 148 names in list order (without the empty entry).
const QStringList& GenreNames();
