#include "jobs/FileNames.h"

bool IsValidFileName(const QString& name) {
  if (name.isEmpty() || name == "." || name == "..") return false;
  for (const QChar c : name) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
    switch (c.unicode()) {
      case '\\':
      case '/':
      case ':':
      case '*':
      case '?':
      case '"':
      case '<':
      case '>':
      case '|':
        return false;
      default:
        break;
    }
  }
  return true;
}
