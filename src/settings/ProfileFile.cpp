#include "settings/ProfileFile.h"

#include "platform/UserFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>

#include <limits>

Q_LOGGING_CATEGORY(lcProfile, "trackwell.settings.profile")

namespace {

constexpr int kMaxValueLength = 2047;
const QByteArray kBom("\xEF\xBB\xBF");

// The line as text, without a leading byte-order mark and outer blanks.
QString Text(const QByteArray& raw, bool first) {
  QByteArray bytes = raw;
  if (first && bytes.startsWith(kBom)) bytes.remove(0, kBom.size());
  return QString::fromUtf8(bytes).trimmed();
}

bool SectionName(const QString& line, QString* name) {
  if (!line.startsWith('[')) return false;
  const int close = line.indexOf(']');
  if (close < 0) return false;
  *name = line.mid(1, close - 1).trimmed();
  return true;
}

bool KeyAndValue(const QString& line, QString* key, QString* value) {
  if (line.startsWith(';') || line.startsWith('[')) return false;
  const int eq = line.indexOf('=');
  if (eq < 0) return false;
  *key = line.left(eq).trimmed();
  if (value) *value = line.mid(eq + 1).trimmed();
  return true;
}

TProfileFile::Line MakeLine(QByteArray raw, QByteArray ending) {
  TProfileFile::Line line;
  line.Raw = std::move(raw);
  line.Ending = std::move(ending);
  return line;
}

bool HasLineBreak(const QString& s) { return s.contains('\n') || s.contains('\r'); }

// Decimal with an optional sign, or 0x/0X hexadecimal of up to 8 digits
// (which wraps into the signed range, as 0xFFFFFFFF reads -1).
bool ParseInteger(const QString& text, int32_t* out) {
  const QString s = text.trimmed();
  if (s.startsWith("0x", Qt::CaseInsensitive)) {
    const QString digits = s.mid(2);
    if (digits.isEmpty() || digits.size() > 8) return false;
    bool ok = false;
    const uint32_t v = digits.toUInt(&ok, 16);
    if (!ok) return false;
    *out = static_cast<int32_t>(v);
    return true;
  }
  bool ok = false;
  const qlonglong v = s.toLongLong(&ok, 10);
  if (!ok || v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
    return false;
  *out = static_cast<int32_t>(v);
  return true;
}

}  // namespace

TProfileWriteError::TProfileWriteError(const QString& path)
    : std::runtime_error(QStringLiteral("Unable to write to %1").arg(path).toStdString()),
      Path(path) {}

TProfileFile::TProfileFile(QString path) : path_(std::move(path)) {
  const QFileInfo info(path_);
  if (!info.exists() && !info.isSymLink()) return;
  // A FIFO or device here would block or never end; a link to /dev/zero
  // would fill the memory.
  const std::optional<QByteArray> read = ReadRegularFile(path_, kMaxProfileBytes);
  if (!read) {
    unreadable_ = true;
    qCWarning(lcProfile) << path_ << "is not a readable settings file of at most"
                         << kMaxProfileBytes << "bytes; it is left as it is";
    return;
  }
  Parse(*read);
}

TProfileFile::TProfileFile(QString path, const QByteArray& contents) : path_(std::move(path)) {
  Parse(contents);
}

void TProfileFile::Parse(const QByteArray& data) {
  int crlf = 0, lf = 0;
  qsizetype start = 0;
  while (start < data.size()) {
    qsizetype end = data.indexOf('\n', start);
    Line line;
    if (end < 0) {
      line.Raw = data.mid(start);
      start = data.size();
    } else {
      line.Raw = data.mid(start, end - start);
      line.Ending = "\n";
      if (line.Raw.endsWith('\r')) {
        line.Raw.chop(1);
        line.Ending = "\r\n";
        ++crlf;
      } else {
        ++lf;
      }
      start = end + 1;
    }
    lines_.push_back(std::move(line));
    Classify(lines_.size() - 1);
  }
  if (crlf > lf) defaultEnding_ = "\r\n";
}

void TProfileFile::Classify(size_t index) {
  Line& line = lines_[index];
  const QString text = Text(line.Raw, index == 0);
  QString name;
  if (SectionName(text, &name)) {
    line.LineKind = Kind::Section;
  } else if (KeyAndValue(text, &name, nullptr)) {
    line.LineKind = Kind::Key;
  } else {
    line.LineKind = Kind::Other;
  }
  line.Name = name.toLower();
}

void TProfileFile::Insert(size_t index, Line line) {
  lines_.insert(lines_.begin() + index, std::move(line));
  Classify(index);
  sectionsValid_ = false;
}

int TProfileFile::FindSection(const QString& section) const {
  if (!sectionsValid_) {
    sections_.clear();
    for (size_t i = 0; i < lines_.size(); ++i)
      if (lines_[i].LineKind == Kind::Section && !sections_.contains(lines_[i].Name))
        sections_.insert(lines_[i].Name, static_cast<int>(i));
    sectionsValid_ = true;
  }
  return sections_.value(section.trimmed().toLower(), -1);
}

int TProfileFile::SectionEnd(int sectionLine) const {
  size_t i = sectionLine + 1;
  while (i < lines_.size() && lines_[i].LineKind != Kind::Section) ++i;
  return static_cast<int>(i);
}

int TProfileFile::FindKey(int sectionLine, const QString& key) const {
  const QString wanted = key.trimmed().toLower();
  for (size_t i = sectionLine + 1; i < lines_.size() && lines_[i].LineKind != Kind::Section; ++i)
    if (lines_[i].LineKind == Kind::Key && lines_[i].Name == wanted) return static_cast<int>(i);
  return -1;
}

QString TProfileFile::ReadString(const QString& section, const QString& key,
                                 const QString& def) const {
  const int s = FindSection(section);
  if (s < 0) return def;
  const int k = FindKey(s, key);
  if (k < 0) return def;
  QString name, value;
  KeyAndValue(Text(lines_[k].Raw, k == 0), &name, &value);
  return value.left(kMaxValueLength);
}

int32_t TProfileFile::ReadInteger(const QString& section, const QString& key, int32_t def) const {
  int32_t v = 0;
  return ParseInteger(ReadString(section, key, QString()), &v) ? v : def;
}

bool TProfileFile::ReadBool(const QString& section, const QString& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TProfileFile::WriteString(const QString& section, const QString& key, const QString& value) {
  if (section.trimmed().isEmpty() || section.contains(']') || HasLineBreak(section))
    throw std::invalid_argument("invalid section name: " + section.toStdString());
  // A key line beginning with a byte-order mark reads back without it (the
  // UTF-8 decoder drops it), so such a key could never be found again.
  if (key.trimmed().isEmpty() || key.contains('=') || key.trimmed().startsWith('[') ||
      key.trimmed().startsWith(';') || key.trimmed().startsWith(QChar(0xFEFF)) || HasLineBreak(key))
    throw std::invalid_argument("invalid key name: " + key.toStdString());
  if (HasLineBreak(value))
    throw std::invalid_argument("a value cannot hold a line break: " + key.toStdString());

  int s = FindSection(section);
  if (s < 0) {
    if (!lines_.empty() && lines_.back().Ending.isEmpty()) lines_.back().Ending = defaultEnding_;
    Insert(lines_.size(), MakeLine("[" + section.trimmed().toUtf8() + "]", defaultEnding_));
    s = static_cast<int>(lines_.size()) - 1;
  }
  const int k = FindKey(s, key);
  if (k >= 0) {
    // Keep the key as spelled in the file, replace only the value.
    QByteArray& raw = lines_[k].Raw;
    raw = raw.left(raw.indexOf('=') + 1) + value.toUtf8();
    return;
  }
  // Append after the section's last non-blank line, so blank separators
  // before the next section stay where they are.
  int at = SectionEnd(s);
  while (at - 1 > s && lines_[at - 1].LineKind == Kind::Other &&
         Text(lines_[at - 1].Raw, false).isEmpty())
    --at;
  if (at - 1 >= 0 && lines_[at - 1].Ending.isEmpty()) lines_[at - 1].Ending = defaultEnding_;
  Insert(at, MakeLine(key.trimmed().toUtf8() + "=" + value.toUtf8(), defaultEnding_));
}

void TProfileFile::WriteInteger(const QString& section, const QString& key, int32_t value) {
  WriteString(section, key, QString::number(value));
}

void TProfileFile::WriteBool(const QString& section, const QString& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TProfileFile::Save() const {
  const QString full = QFileInfo(path_).absoluteFilePath();
  if (unreadable_) throw TProfileWriteError(full);
  const QFileInfo info(full);
  // A read-only file is refused even where its folder would allow a rename,
  // and for root too.
  if (info.exists() &&
      !(info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)))
    throw TProfileWriteError(full);
  QSaveFile file(full);
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly)) throw TProfileWriteError(full);
  const QByteArray bytes = Contents();
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    throw TProfileWriteError(full);
  }
  if (!CommitWhole(file)) throw TProfileWriteError(full);
}

QByteArray TProfileFile::Contents() const {
  QByteArray bytes;
  for (const Line& line : lines_) bytes += line.Raw + line.Ending;
  return bytes;
}
