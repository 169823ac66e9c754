// Disc entries read into their fields, from memory.
#include "tags/CddbEntry.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace {

struct TEntryCase {
  const char* Name;
  QByteArray Text;
  std::optional<QString> DTitle;
  std::optional<QString> DYear;
  std::optional<QString> DGenre;
  std::map<int, QString> Titles;
};

TEST(CddbEntry, KeyedValuesAreJoinedTrimmedAndReadByNumber) {
  const std::vector<TEntryCase> cases = {
      {"plain",
       "# xmcd\nDISCID=0a003c03\nDTITLE=Artist / Album\nDYEAR=1999\nDGENRE=Rock\n"
       "TTITLE0=One\nTTITLE1=Two\nEXTD=\nEXTT0=\nPLAYORDER=\n",
       "Artist / Album",
       "1999",
       "Rock",
       {{0, "One"}, {1, "Two"}}},
      {"continuation lines",
       "DTITLE=A very long art\nDTITLE=ist / An album\nTTITLE3=Part o\nTTITLE3=ne \n",
       "A very long artist / An album",
       std::nullopt,
       std::nullopt,
       {{3, "Part one"}}},
      {"keys by number, not by order",
       "TTITLE1=Second\nTTITLE0=First\nTTITLE00=Also first\n",
       std::nullopt,
       std::nullopt,
       std::nullopt,
       {{0, "FirstAlso first"}, {1, "Second"}}},
      {"keys that only look alike",
       "EXTD=DTITLE=no\nEXTT0=TTITLE0=no\n#DTITLE=no\nXDTITLE=no\nTTITLE=no\nTTITLE1a=no\n"
       "TTITLE100=no\nTTITLE-1=no\n",
       std::nullopt,
       std::nullopt,
       std::nullopt,
       {}},
      {"crlf, blanks and lines without =",
       "\r\n   \r\nDYEAR= 2001 \r\nnonsense\r\n",
       std::nullopt,
       "2001",
       std::nullopt,
       {}},
      {"empty values stay present",
       "DGENRE=\nTTITLE0=\n",
       std::nullopt,
       std::nullopt,
       "",
       {{0, ""}}},
      {"utf-8",
       "DTITLE=Bj\xC3\xB6rk / Hom\xC3\xB3gen\n",
       QString::fromUtf8("Bj\xC3\xB6rk / Hom\xC3\xB3gen"),
       std::nullopt,
       std::nullopt,
       {}},
      {"latin-1 entry",
       "DTITLE=Bj\xF6rk / Debut\n",
       QString::fromUtf8("Bj\xC3\xB6rk / Debut"),
       std::nullopt,
       std::nullopt,
       {}},
  };
  for (const TEntryCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TCddbEntry entry = ParseCddbEntry(c.Text);
    EXPECT_EQ(entry.DTitle, c.DTitle);
    EXPECT_EQ(entry.DYear, c.DYear);
    EXPECT_EQ(entry.DGenre, c.DGenre);
    EXPECT_EQ(entry.Titles, c.Titles);
  }
}

TEST(CddbEntry, DiscTitleSplitsAtTheFirstSeparator) {
  const struct {
    const char* DTitle;
    const char* Artist;
    const char* Album;
  } cases[] = {
      {"Artist / Album", "Artist", "Album"},
      {"AC/DC / Back in Black", "AC/DC", "Back in Black"},
      {"Various / Hits / Vol. 2", "Various", "Hits / Vol. 2"},
      {"Only an album", "", "Only an album"},
  };
  for (const auto& c : cases) {
    QString artist = "old", album = "old";
    SplitDiscTitle(QString::fromUtf8(c.DTitle), &artist, &album);
    EXPECT_EQ(artist, c.Artist);
    EXPECT_EQ(album, c.Album);
  }
}

}  // namespace
