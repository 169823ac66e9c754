#pragma once

#include <QString>

#include <cstdint>

// Names and captions of the job runner, free of any state.

// The path with the extension of its file name replaced by ext (".mp3");
// a name without an extension gets ext appended. Dots in folder names do
// not count.
QString ChangeFileExt(const QString& path, const QString& ext);

// The file name part of a path (after the last "/").
QString ExtractFileName(const QString& path);

// verb + "(" + nn + "/" + count + "): " + text, the numbers in two digits
// at least: "Extracting(02/12): Track02".
QString JobCaption(const QString& verb, int n, int count, const QString& text);

// Kind-1 entries: the two-digit track number directly followed by the title.
int EntryTrackNumber(const QString& entry);
QString EntryTitle(const QString& entry);

// The file a job writes. folder ends in a separator (WithTrailingBackslash).
// Kind 1: folder + title + ext. Kinds 2, 3, 5, 6: folder + the source's file
// name with ext. Kind 4: the source itself with ext.
QString JobOutputPath(uint8_t jobKind, const QString& folder, const QString& entry,
                      const QString& ext);

// The resampled copies of a WAV-to-MP3 and a WAV-to-Ogg source.
inline constexpr const char* kMp3ResampleTemp = "MyMP3ReTemp.wav";
inline constexpr const char* kOggResampleTemp = "MyReTemp.wav";
