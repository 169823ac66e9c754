#include "FuzzTargets.h"

#include "platform/CddbProtocol.h"
#include "tags/CddbEntry.h"

#include <string>
#include <string_view>

// The input is a server's reply, read as the reply to "cddb query" and to
// "cddb read"; an entry read is then parsed, fitted and its title split.
int FuzzCddb(const uint8_t* data, size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  const size_t maxMatches = size ? data[0] % 8 : 0;
  const TCddbQueryReply query = ParseCddbQueryReply(body, maxMatches);
  FUZZ_CHECK(query.Matches.size() <= maxMatches);
  FUZZ_CHECK((query.Outcome == TCddbQueryOutcome::Matches) == !query.Matches.empty());
  for (const TCddbMatch& m : query.Matches) {
    FUZZ_CHECK(IsCddbCategory(m.Category) && IsCddbDiscId(m.DiscId));
    FUZZ_CHECK(CddbReadCommand(m) == "cddb read " + m.Category + " " + m.DiscId);
  }

  const std::optional<std::string> entry = ParseCddbReadReply(body);
  const std::string text = entry ? *entry : std::string(body);
  if (entry) {
    FUZZ_CHECK(entry->find('\0') == std::string::npos);
    FUZZ_CHECK(entry->empty() || entry->back() == '\n');
  }
  const size_t bufferSize = size > 1 ? size_t(data[1]) * 16 : 0;
  const std::string fitted = FitCddbEntry(text, bufferSize);
  if (bufferSize > 0) FUZZ_CHECK(fitted.size() < bufferSize);
  const size_t prefix = Utf8PrefixLength(text, bufferSize);
  FUZZ_CHECK(prefix <= bufferSize && prefix <= text.size());
  char field[31];
  CopyUtf8Field(field, sizeof field, text);
  FUZZ_CHECK(field[sizeof field - 1] == 0);

  const TCddbEntry parsed = ParseCddbEntry(QByteArray(text.data(), qsizetype(text.size())));
  for (const auto& [n, title] : parsed.Titles) {
    FUZZ_CHECK(n >= 0 && n < kCddbMaxTitles);
    FUZZ_CHECK(title == title.trimmed());
  }
  if (parsed.DTitle) {
    FUZZ_CHECK(*parsed.DTitle == parsed.DTitle->trimmed());
    QString artist, album;
    SplitDiscTitle(*parsed.DTitle, &artist, &album);
    FUZZ_CHECK(artist == artist.trimmed() && album == album.trimmed());
  }
  std::string artist, title;
  SplitCddbTitle(text, &artist, &title);
  FUZZ_CHECK(artist.size() + title.size() <= text.size());
  return 0;
}
