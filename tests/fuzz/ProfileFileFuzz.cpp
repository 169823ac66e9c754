#include "FuzzTargets.h"

#include "settings/ProfileFile.h"

#include <stdexcept>

// An unchanged file saves back byte for byte; a value written reads back,
// also after the written bytes are parsed again.
int FuzzProfileFile(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  TProfileFile file(QStringLiteral("fuzz.ini"), bytes);
  FUZZ_CHECK(file.Contents() == bytes);

  // Names taken from the input where they are valid ones, so writes land in
  // sections and keys the input itself holds.
  const qsizetype cut = bytes.indexOf('=');
  const QString key = cut > 0 ? QString::fromUtf8(bytes.left(cut)).section('\n', -1) : "Key";
  const QString section = QString::fromUtf8(bytes.mid(bytes.indexOf('[') + 1, 12));
  const QString value = QString::fromUtf8(bytes.right(20)).section('\n', 0, 0).trimmed();
  try {
    file.WriteString(section, key, value);
  } catch (const std::invalid_argument&) {
    return 0;  // a name or value the file cannot hold
  }
  FUZZ_CHECK(file.ReadString(section, key, QString()) == value.left(2047));
  const TProfileFile again(QStringLiteral("fuzz.ini"), file.Contents());
  FUZZ_CHECK(again.ReadString(section, key, QString()) == value.left(2047));
  return 0;
}
