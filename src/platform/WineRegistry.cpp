#include "platform/WineRegistry.h"

namespace {

bool SamePath(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A value line continues on the next one when it ends in a backslash.
bool Continues(const QByteArray& line) {
  QByteArray body = line;
  while (body.endsWith('\n') || body.endsWith('\r')) body.chop(1);
  return body.endsWith('\\');
}

}  // namespace

qsizetype UnescapeRegistryName(const QByteArray& line, qsizetype from, char delimiter,
                               QString* name) {
  name->clear();
  qsizetype i = from;
  while (i < line.size()) {
    const char c = line[i];
    if (c == delimiter) return i + 1;
    if (c != '\\' || i + 1 >= line.size()) {
      name->append(QChar(static_cast<unsigned char>(c)));
      ++i;
      continue;
    }
    const char e = line[i + 1];
    i += 2;
    if (e == 'x') {
      // \x followed by up to four hex digits: one UTF-16 unit.
      int unit = 0, digits = 0;
      while (digits < 4 && i < line.size() && HexDigit(line[i]) >= 0) {
        unit = unit * 16 + HexDigit(line[i++]);
        ++digits;
      }
      name->append(QChar(static_cast<char16_t>(unit)));
    } else if (e == 'n') {
      name->append('\n');
    } else if (e == 't') {
      name->append('\t');
    } else if (e == 'r') {
      name->append('\r');
    } else {
      name->append(QChar(static_cast<unsigned char>(e)));
    }
  }
  return -1;
}

TRegistryText::TRegistryText(const QByteArray& text) {
  qsizetype start = 0;
  while (start < text.size()) {
    qsizetype end = text.indexOf('\n', start);
    end = end < 0 ? text.size() : end + 1;
    lines_.push_back(text.mid(start, end - start));
    start = end;
  }
  Parse();
}

void TRegistryText::Parse() {
  sections_.clear();
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (!lines_[i].startsWith('[')) continue;
    QString path;
    if (UnescapeRegistryName(lines_[i], 1, ']', &path) < 0) continue;
    if (!sections_.empty()) sections_.back().End = i;
    sections_.push_back({path, i, lines_.size()});
  }
}

const TRegistryText::TSection* TRegistryText::FindSection(const QString& path) const {
  for (const TSection& section : sections_)
    if (SamePath(section.Path, path)) return &section;
  return nullptr;
}

bool TRegistryText::KeyExists(const QString& path) const {
  const QString prefix = path + '\\';
  for (const TSection& section : sections_)
    if (SamePath(section.Path, path) || section.Path.startsWith(prefix, Qt::CaseInsensitive))
      return true;
  return false;
}

bool TRegistryText::DeleteKey(const QString& path) {
  const TSection* section = FindSection(path);
  if (!section) return false;
  const QString prefix = path + '\\';
  for (const TSection& other : sections_)
    if (other.Path.startsWith(prefix, Qt::CaseInsensitive)) return false;
  // Wine merges the sections of a key named twice, so every one of them
  // goes; from the last, so the earlier line numbers stay valid.
  for (auto it = sections_.rbegin(); it != sections_.rend(); ++it)
    if (SamePath(it->Path, path))
      lines_.erase(lines_.begin() + it->First, lines_.begin() + it->End);
  Parse();
  return true;
}

bool TRegistryText::DeleteValue(const QString& keyPath, const QString& name) {
  const bool wantDefault = name.isEmpty() || name == "@";
  // A key named twice holds the values of all its sections, as Wine reads it.
  for (const TSection& s : sections_) {
    if (SamePath(s.Path, keyPath) && DeleteValueIn(s, name, wantDefault)) return true;
  }
  return false;
}

bool TRegistryText::DeleteValueIn(TSection section, const QString& name, bool wantDefault) {
  for (size_t i = section.First + 1; i < section.End; ++i) {
    const QByteArray& line = lines_[i];
    bool match = false;
    if (line.startsWith('@')) {
      match = wantDefault && line.size() > 1 && line[1] == '=';
    } else if (line.startsWith('"')) {
      QString valueName;
      const qsizetype after = UnescapeRegistryName(line, 1, '"', &valueName);
      match = !wantDefault && after > 0 && after < line.size() && line[after] == '=' &&
              SamePath(valueName, name);
    }
    if (!match) continue;
    size_t last = i;
    while (last + 1 < section.End && Continues(lines_[last])) ++last;
    lines_.erase(lines_.begin() + i, lines_.begin() + last + 1);
    Parse();
    return true;
  }
  return false;
}

QByteArray TRegistryText::Bytes() const {
  QByteArray text;
  for (const QByteArray& line : lines_) text += line;
  return text;
}
