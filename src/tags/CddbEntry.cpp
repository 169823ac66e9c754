#include "tags/CddbEntry.h"

#include <QStringDecoder>
#include <QStringList>

namespace {

// The track number of a "TTITLEn" key, or -1.
int TitleNumber(QStringView key) {
  static const QString kPrefix = QStringLiteral("TTITLE");
  if (!key.startsWith(kPrefix)) return -1;
  const QStringView digits = key.mid(kPrefix.size());
  if (digits.isEmpty() || digits.size() > 3) return -1;
  int number = 0;
  for (const QChar c : digits) {
    if (c < u'0' || c > u'9') return -1;
    number = number * 10 + (c.unicode() - u'0');
  }
  return number < kCddbMaxTitles ? number : -1;
}

void Append(std::optional<QString>& field, QStringView value) {
  if (!field) field.emplace();
  field->append(value);
}

void TrimField(std::optional<QString>& field) {
  if (field) *field = field->trimmed();
}

}  // namespace

QString DecodeCddbText(const QByteArray& text) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString decoded = utf8(text);
  if (!utf8.hasError()) return decoded;
  return QString::fromLatin1(text);
}

TCddbEntry ParseCddbEntry(const QByteArray& text) {
  TCddbEntry entry;
  const QString decoded = DecodeCddbText(text);
  // Values are joined raw, so a word split across two lines stays one word,
  // and trimmed once at the end.
  std::map<int, QString> titles;
  for (QStringView line : QStringView(decoded).split(u'\n')) {
    if (line.endsWith(u'\r')) line.chop(1);
    if (line.trimmed().isEmpty() || line.startsWith(u'#')) continue;
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0) continue;
    const QStringView key = line.left(equals).trimmed();
    const QStringView value = line.mid(equals + 1);
    if (key == u"DTITLE") {
      Append(entry.DTitle, value);
    } else if (key == u"DYEAR") {
      Append(entry.DYear, value);
    } else if (key == u"DGENRE") {
      Append(entry.DGenre, value);
    } else if (const int number = TitleNumber(key); number >= 0) {
      titles[number].append(value);
    }
  }
  TrimField(entry.DTitle);
  TrimField(entry.DYear);
  TrimField(entry.DGenre);
  for (auto& [number, title] : titles) entry.Titles[number] = title.trimmed();
  return entry;
}

void SplitDiscTitle(const QString& dtitle, QString* artist, QString* album) {
  const qsizetype separator = dtitle.indexOf(QStringLiteral(" / "));
  if (separator < 0) {
    artist->clear();
    *album = dtitle.trimmed();
    return;
  }
  *artist = dtitle.left(separator).trimmed();
  *album = dtitle.mid(separator + 3).trimmed();
}
