#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <stdexcept>
#include <vector>

// A write to a settings file that the system refused; the message is
// "Unable to write to <full path>".
class TProfileWriteError : public std::runtime_error {
 public:
  explicit TProfileWriteError(const QString& path);
  QString Path;
};

// An INI ("profile") file held in memory. Section and key names match without
// regard to case; every line this class does not rewrite stays byte for byte.
// Save writes a temporary file beside the target and renames it over.
// A file that exists but cannot be read as one (not a regular file, larger
// than kMaxProfileBytes, unreadable) is held as empty and is never saved
// over, so its contents are not lost.
class TProfileFile {
 public:
  static constexpr qint64 kMaxProfileBytes = 32 * 1024 * 1024;

  explicit TProfileFile(QString path);  // reads the file when it exists
  // The file's contents given in memory; nothing is read.
  TProfileFile(QString path, const QByteArray& contents);

  QString ReadString(const QString& section, const QString& key, const QString& def) const;
  // Decimal or 0x/0X hexadecimal; def when missing or not parsable.
  int32_t ReadInteger(const QString& section, const QString& key, int32_t def) const;
  bool ReadBool(const QString& section, const QString& key, bool def) const;

  // Replace in place, or append to the section (created at the end when
  // missing). Throws std::invalid_argument for a name holding "]", "=" at
  // the start, or a line break, and for a value holding a line break.
  void WriteString(const QString& section, const QString& key, const QString& value);
  void WriteInteger(const QString& section, const QString& key, int32_t value);
  void WriteBool(const QString& section, const QString& key, bool value);

  // Writes the whole file; throws TProfileWriteError when refused.
  void Save() const;
  // The bytes Save would write.
  QByteArray Contents() const;

  const QString& Path() const { return path_; }
  // The file exists but could not be read; Save refuses it.
  bool Unreadable() const { return unreadable_; }

 public:
  enum class Kind { Other, Section, Key };
  struct Line {
    QByteArray Raw;  // without its line ending
    QByteArray Ending;
    Kind LineKind = Kind::Other;
    QString Name;  // section or key name, lower case
  };

 private:
  void Parse(const QByteArray& data);
  void Classify(size_t index);
  void Insert(size_t index, Line line);
  int FindSection(const QString& section) const;
  int FindKey(int sectionLine, const QString& key) const;
  int SectionEnd(int sectionLine) const;

  QString path_;
  bool unreadable_ = false;
  std::vector<Line> lines_;
  // First line of each section by lower-case name; rebuilt after inserts.
  mutable QHash<QString, int> sections_;
  mutable bool sectionsValid_ = false;
  QByteArray defaultEnding_ = "\n";
};
