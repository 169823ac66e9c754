#include "platform/CueSheetCheck.h"

#include <QList>
#include <QRegularExpression>

namespace {
bool Refuse(QString* why, int line, const QString& text) {
  if (why) *why = line > 0 ? QString("line %1: %2").arg(line).arg(text) : text;
  return false;
}

bool IsTime(const QByteArray& text) {
  static const QRegularExpression msf(R"(^(\d{1,2}):([0-5]\d):(\d{2})$)");
  const QRegularExpressionMatch m = msf.match(QString::fromLatin1(text));
  return m.hasMatch() && m.captured(3).toInt() < 75;
}

bool IsNumber(const QByteArray& text, int low, int high, int* value) {
  if (text.isEmpty() || text.size() > 2) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  *value = text.toInt();
  return *value >= low && *value <= high;
}

bool IsTrackMode(const QByteArray& mode) {
  static const QList<QByteArray> modes = {"AUDIO",      "CDG",        "MODE1/2048", "MODE1/2352",
                                          "MODE2/2336", "MODE2/2352", "CDI/2336",   "CDI/2352"};
  return modes.contains(mode.toUpper());
}

// Commands that carry free text or flags and need no further look.
bool IsTextCommand(const QByteArray& word) {
  static const QList<QByteArray> words = {"REM",       "CATALOG",    "CDTEXTFILE", "TITLE",
                                          "PERFORMER", "SONGWRITER", "ISRC",       "FLAGS"};
  return words.contains(word);
}
}  // namespace

bool IsAudioCueSheet(const QByteArray& text, QString* why) {
  if (text.size() > kMaxCueSheetBytes) return Refuse(why, 0, "too large for a cue sheet");
  int lineNumber = 0;
  int files = 0;
  int track = 0;  // the current track's number, 0 before the first
  int lastIndex = -1;
  bool hasIndex1 = false;
  for (QByteArray line : text.split('\n')) {
    ++lineNumber;
    line = line.trimmed();
    if (line.isEmpty()) continue;
    for (char c : line)
      if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
        return Refuse(why, lineNumber, "control character");
    const QList<QByteArray> words = line.simplified().split(' ');
    const QByteArray command = words[0].toUpper();
    if (IsTextCommand(command)) continue;
    if (command == "FILE") {
      if (++files > 1 || track > 0)
        return Refuse(why, lineNumber, "only one FILE, before the tracks");
    } else if (command == "TRACK") {
      int number = 0;
      if (files == 0) return Refuse(why, lineNumber, "TRACK before FILE");
      if (track > 0 && !hasIndex1) return Refuse(why, lineNumber, "previous track has no INDEX 01");
      if (words.size() != 3 || !IsNumber(words[1], 1, 99, &number) || number != track + 1)
        return Refuse(why, lineNumber, "tracks must be numbered 1, 2, 3 ... up to 99");
      if (!IsTrackMode(words[2])) return Refuse(why, lineNumber, "unknown track mode");
      track = number;
      lastIndex = -1;
      hasIndex1 = false;
    } else if (command == "INDEX") {
      int number = 0;
      if (track == 0) return Refuse(why, lineNumber, "INDEX outside a track");
      if (words.size() != 3 || !IsNumber(words[1], 0, 99, &number) || number <= lastIndex ||
          !IsTime(words[2]))
        return Refuse(why, lineNumber, "bad INDEX");
      lastIndex = number;
      hasIndex1 = hasIndex1 || number == 1;
    } else if (command == "PREGAP" || command == "POSTGAP") {
      if (track == 0 || words.size() != 2 || !IsTime(words[1]))
        return Refuse(why, lineNumber, "bad " + QString::fromLatin1(command));
    } else {
      return Refuse(why, lineNumber, "unknown command");
    }
  }
  if (track == 0) return Refuse(why, 0, "no track");
  if (!hasIndex1) return Refuse(why, 0, "last track has no INDEX 01");
  return true;
}
