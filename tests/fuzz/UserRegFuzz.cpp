#include "FuzzTargets.h"

#include "platform/WineRegistry.h"

#include <algorithm>
#include <vector>

namespace {

using TLines = std::vector<QByteArray>;

TLines SplitLines(const QByteArray& text) {
  TLines lines;
  for (qsizetype start = 0; start < text.size();) {
    const qsizetype nl = text.indexOf('\n', start);
    const qsizetype end = nl < 0 ? text.size() : nl + 1;
    lines.push_back(text.mid(start, end - start));
    start = end;
  }
  return lines;
}

bool Same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

struct THeader {
  size_t Line;
  QString Path;
};

// Section headers as the hive reads them: a line beginning with "[" whose
// name closes with "]".
std::vector<THeader> Headers(const TLines& lines) {
  std::vector<THeader> headers;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].startsWith('[')) continue;
    QString path;
    const qsizetype after = UnescapeRegistryName(lines[i], 1, ']', &path);
    if (after < 0) continue;
    FUZZ_CHECK(after > 1 && after <= lines[i].size() && lines[i][after - 1] == ']');
    headers.push_back({i, path});
  }
  return headers;
}

// The sections of the path: their first line and the line the next
// section begins at.
std::vector<std::pair<size_t, size_t>> SectionsOf(const std::vector<THeader>& headers,
                                                  const QString& path, size_t lines) {
  std::vector<std::pair<size_t, size_t>> sections;
  for (size_t h = 0; h < headers.size(); ++h)
    if (Same(headers[h].Path, path))
      sections.emplace_back(headers[h].Line, h + 1 < headers.size() ? headers[h + 1].Line : lines);
  FUZZ_CHECK(!sections.empty());
  return sections;
}

bool EndsInBackslash(QByteArray line) {
  while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
  return line.endsWith('\\');
}

// The value a line names: "@" for the default, else its unescaped quoted
// name; false for a line that is not a value.
bool ValueName(const QByteArray& line, QString* name) {
  if (line.startsWith("@=")) {
    *name = QStringLiteral("@");
    return true;
  }
  if (!line.startsWith('"')) return false;
  const qsizetype after = UnescapeRegistryName(line, 1, '"', name);
  return after > 0 && after < line.size() && line[after] == '=' && !name->isEmpty() &&
         *name != QStringLiteral("@");
}

// after is before without the lines [i, i + count) for one such i inside
// [first, end) for which ok(i) holds.
template <typename F>
bool RemovedRun(const TLines& before, const TLines& after, size_t first, size_t end, F ok) {
  if (after.size() >= before.size()) return false;
  const size_t count = before.size() - after.size();
  size_t prefix = 0;
  while (prefix < after.size() && after[prefix] == before[prefix]) ++prefix;
  size_t suffix = 0;
  while (suffix < after.size() &&
         after[after.size() - 1 - suffix] == before[before.size() - 1 - suffix])
    ++suffix;
  for (size_t i = after.size() - std::min(suffix, after.size()); i <= prefix; ++i)
    if (i >= first && i + count <= end && ok(i, count)) return true;
  return false;
}

void CheckConsistent(const TRegistryText& registry) {
  const QByteArray bytes = registry.Bytes();
  FUZZ_CHECK(TRegistryText(bytes).Bytes() == bytes);
  for (const THeader& h : Headers(SplitLines(bytes))) {
    FUZZ_CHECK(registry.KeyExists(h.Path));
    const qsizetype cut = h.Path.lastIndexOf('\\');
    if (cut > 0) FUZZ_CHECK(registry.KeyExists(h.Path.left(cut)));
  }
}

// Deletes one value of the section starting at header h, if it has one.
void DeleteOneValue(TRegistryText& registry, const THeader& h, size_t pick) {
  const TLines before = SplitLines(registry.Bytes());
  const auto sections = SectionsOf(Headers(before), h.Path, before.size());
  std::vector<QString> names;
  for (const auto& [first, end] : sections) {
    for (size_t i = first + 1; i < end; ++i) {
      QString name;
      if (ValueName(before[i], &name)) names.push_back(name);
    }
  }
  if (names.empty()) return;
  const QString name = names[pick % names.size()];
  FUZZ_CHECK(registry.DeleteValue(h.Path, name));
  const TLines after = SplitLines(registry.Bytes());
  bool inOne = false;
  for (const auto& section : sections) {
    const size_t end = section.second;
    inOne = inOne || RemovedRun(before, after, section.first + 1, end, [&](size_t i, size_t count) {
              QString found;
              if (!ValueName(before[i], &found) || !Same(found, name)) return false;
              for (size_t k = i; k + 1 < i + count; ++k)
                if (!EndsInBackslash(before[k])) return false;
              // A continued line never loses its continuation.
              return i + count >= end || !EndsInBackslash(before[i + count - 1]);
            });
  }
  FUZZ_CHECK(inOne);
  FUZZ_CHECK(registry.KeyExists(h.Path));
}

void DeleteOneKey(TRegistryText& registry, const THeader& h) {
  const TLines before = SplitLines(registry.Bytes());
  const std::vector<THeader> headers = Headers(before);
  bool subkeys = false;
  for (const THeader& other : headers)
    subkeys = subkeys || other.Path.startsWith(h.Path + '\\', Qt::CaseInsensitive);
  const bool deleted = registry.DeleteKey(h.Path);
  FUZZ_CHECK(deleted == !subkeys);
  if (!deleted) {
    FUZZ_CHECK(SplitLines(registry.Bytes()) == before);
    FUZZ_CHECK(registry.KeyExists(h.Path));
    return;
  }
  const auto sections = SectionsOf(headers, h.Path, before.size());
  TLines expected = before;
  for (auto it = sections.rbegin(); it != sections.rend(); ++it)
    expected.erase(expected.begin() + long(it->first), expected.begin() + long(it->second));
  FUZZ_CHECK(SplitLines(registry.Bytes()) == expected);
  FUZZ_CHECK(!registry.KeyExists(h.Path));
  FUZZ_CHECK(!registry.DeleteKey(h.Path));
}

}  // namespace

// The input is a hive's text. Unchanged, it gives back the same bytes;
// every section found is a key that exists, as is its parent. A value
// deleted takes exactly its own lines (with their continuations) out of
// a section of its key; a key deleted takes exactly its sections and is gone
// after; one with subkeys stays as it was. Edits only ever shrink the text.
int FuzzUserReg(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  TRegistryText registry(bytes);
  FUZZ_CHECK(registry.Bytes() == bytes);
  CheckConsistent(registry);
  const size_t pick = size ? data[size - 1] : 0;
  for (int round = 0; round < 3; ++round) {
    const std::vector<THeader> headers = Headers(SplitLines(registry.Bytes()));
    if (headers.empty()) break;
    const THeader h = headers[(pick + size_t(round) * 7) % headers.size()];
    const qsizetype was = registry.Bytes().size();
    DeleteOneValue(registry, h, pick / 3 + size_t(round));
    if (round == 1) DeleteOneKey(registry, h);
    FUZZ_CHECK(registry.Bytes().size() <= was);
    CheckConsistent(registry);
  }
  return 0;
}
