#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// The text of a Wine registry hive (user.reg: "[Key\\Path] stamp" section
// headers, then "name"=data value lines, hex data continued over lines that
// end in a backslash). Key paths are given relative to the hive's root with
// single backslashes ("Software\\Vendor\\Key" in C++); names compare without
// regard to case, as Windows does. Editing removes whole lines; every other
// byte of the text stays as it was.
class TRegistryText {
 public:
  explicit TRegistryText(const QByteArray& text);

  // True when the key has a section or any of its subkeys has one (Wine
  // writes no section for a key that only holds subkeys).
  bool KeyExists(const QString& path) const;
  // Deletes the key's section (each of them, in a text that names the key
  // more than once). Fails, as on Windows NT, when the key is missing or
  // still has subkeys.
  bool DeleteKey(const QString& path);
  // Deletes one value of a key ("@" or an empty name is the default value),
  // found in any section of the key. Fails when the key or the value is
  // missing.
  bool DeleteValue(const QString& keyPath, const QString& name);

  QByteArray Bytes() const;

 private:
  struct TSection {
    QString Path;  // unescaped
    size_t First;  // the header line
    size_t End;    // one past its last line
  };
  void Parse();
  const TSection* FindSection(const QString& path) const;
  // Deletes the first value of that name in the section, continuation lines
  // and all.
  bool DeleteValueIn(TSection section, const QString& name, bool wantDefault);

  std::vector<QByteArray> lines_;  // each with its own line end
  std::vector<TSection> sections_;
};

// Decodes a Wine-escaped name up to its closing delimiter, starting at from.
// Returns the position just past the delimiter, or -1 when there is none.
qsizetype UnescapeRegistryName(const QByteArray& line, qsizetype from, char delimiter,
                               QString* name);
