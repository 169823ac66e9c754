#pragma once

#include <QByteArray>
#include <QString>

// libcdio's cue parser trusts its input (a first TRACK number of 75 or more
// makes it index outside its own tables), so an image's cue text is checked
// here before libcdio sees it. Accepted: one FILE, then tracks numbered
// 1, 2, 3 ... up to 99 in order, each with a valid INDEX 01 (mm:ss:ff with
// ss < 60 and ff < 75), and only the commands a cue sheet knows. On refusal
// *why (when given) says what is wrong.
bool IsAudioCueSheet(const QByteArray& text, QString* why = nullptr);

// Cue sheets are small; anything larger is not one.
constexpr qint64 kMaxCueSheetBytes = 256 * 1024;
