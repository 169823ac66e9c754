// The CDDB protocol's commands and replies, from memory.
#include "platform/CddbProtocol.h"
#include "platform/CddbTransport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TQueryCase {
  const char* Name;
  std::string Body;
  TCddbQueryOutcome Outcome;
  std::vector<std::string> Matches;  // "category discid|title"
  bool Exact = false;
};

std::string Describe(const TCddbMatch& m) { return m.Category + " " + m.DiscId + "|" + m.Title; }

TEST(CddbProtocol, QueryRepliesGiveTheirMatchesOrAnOutcome) {
  const std::string eleven = [] {
    std::string body = "211 Found inexact matches, list follows (until terminating `.')\r\n";
    for (int i = 0; i < 12; ++i) body += "rock 0000000" + std::to_string(i % 10) + " A / B\r\n";
    return body + ".\r\n";
  }();
  const std::vector<TQueryCase> cases = {
      {"exact",
       "200 rock 7a0b3c0c Artist / Album\r\n",
       TCddbQueryOutcome::Matches,
       {"rock 7a0b3c0c|Artist / Album"},
       true},
      {"exact list",
       "210 Found exact matches\r\nrock 0a0b0c0d A / B\r\njazz 0A0B0C0E C / D\r\n.\r\n",
       TCddbQueryOutcome::Matches,
       {"rock 0a0b0c0d|A / B", "jazz 0a0b0c0e|C / D"},
       true},
      {"inexact list",
       "211 Found inexact matches\nmisc 12345678 X / Y\n.\n",
       TCddbQueryOutcome::Matches,
       {"misc 12345678|X / Y"},
       false},
      {"no match", "202 No match found\r\n", TCddbQueryOutcome::NoMatch, {}},
      {"corrupt", "403 Database entry is corrupt\r\n", TCddbQueryOutcome::Error, {}},
      {"server error", "500 Command syntax error\r\n", TCddbQueryOutcome::Error, {}},
      {"html", "<html><body>gone</body></html>\n", TCddbQueryOutcome::Error, {}},
      {"list cut",
       "211 Found inexact matches\r\nrock 0a0b0c0d A / B\r\n",
       TCddbQueryOutcome::Error,
       {}},
      {"bad lines only",
       "211 x\r\nrock; rm 0a0b0c0d A\r\nrock 0a0b0c0 short\r\n.\r\n",
       TCddbQueryOutcome::Error,
       {}},
      {"nul byte", std::string("200 rock 0a0b0c0d A\0B\r\n", 23), TCddbQueryOutcome::Error, {}},
  };
  for (const TQueryCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TCddbQueryReply reply = ParseCddbQueryReply(c.Body, 10);
    EXPECT_EQ(reply.Outcome, c.Outcome);
    std::vector<std::string> got;
    for (const TCddbMatch& m : reply.Matches) {
      got.push_back(Describe(m));
      EXPECT_EQ(m.Exact, c.Exact);
    }
    EXPECT_EQ(got, c.Matches);
  }
  const TCddbQueryReply many = ParseCddbQueryReply(eleven, 10);
  EXPECT_EQ(many.Outcome, TCddbQueryOutcome::Matches);
  EXPECT_EQ(many.Matches.size(), 10u);
}

TEST(CddbProtocol, ReadRepliesGiveTheWholeEntryOrNothing) {
  const struct {
    const char* Name;
    std::string Body;
    std::optional<std::string> Entry;
  } cases[] = {
      {"entry", "210 rock 0a0b0c0d CD database entry follows\r\n# comment\r\nDTITLE=A / B\r\n.\r\n",
       "# comment\nDTITLE=A / B\n"},
      {"after the dot", "210 x\nDYEAR=1999\n.\nDYEAR=2000\n", "DYEAR=1999\n"},
      {"not found", "401 rock 0a0b0c0d No such CD entry in database\r\n", std::nullopt},
      {"cut", "210 rock 0a0b0c0d\r\nDTITLE=A / B\r\nTTITLE0=", std::nullopt},
      {"nul", std::string("210 x\nDTITLE=A\0\n.\n", 18), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ParseCddbReadReply(c.Body), c.Entry);
  }
}

TEST(CddbProtocol, CommandsAndRequestQueryAreTheProtocols) {
  TCddbDiscQuery disc;
  disc.DiscId = 0x0a003c03;
  disc.Offsets = {150, 900, 2400};
  disc.Seconds = 62;
  EXPECT_EQ(CddbQueryCommand(disc), "cddb query 0a003c03 3 150 900 2400 62");
  TCddbMatch match;
  match.Category = "rock";
  match.DiscId = "0a003c03";
  EXPECT_EQ(CddbReadCommand(match), "cddb read rock 0a003c03");

  const struct {
    const char* Identity;
    const char* Program;
    std::vector<std::string> Words;
  } hellos[] = {
      {"ripper@host.net", "Trackwell 0.1", {"ripper", "host.net", "Trackwell", "0.1"}},
      {"nobody", "Trackwell", {"nobody", "localhost", "Trackwell", "0"}},
      {"", "", {"anonymous", "localhost", "unknown", "0"}},
  };
  for (const auto& h : hellos) EXPECT_EQ(CddbHelloWords(h.Identity, h.Program), h.Words);

  EXPECT_EQ(CddbRequestQuery("cddb read rock 0a003c03", {"u", "h&x", "Trackwell", "0.1"}),
            "cmd=cddb+read+rock+0a003c03&hello=u+h%26x+Trackwell+0.1&proto=6");
}

TEST(CddbProtocol, RequestUrlRefusesTextsThatCannotBeAUrl) {
  const struct {
    const char* Server;
    const char* Script;
    const char* Start;  // expected start of the URL, empty: refused
  } cases[] = {
      {"gnudb.gnudb.org", "/~cddb/cddb.cgi", "http://gnudb.gnudb.org/~cddb/cddb.cgi?cmd="},
      {"127.0.0.1:8880", "/cgi", "http://127.0.0.1:8880/cgi?cmd="},
      {"https://gnudb.gnudb.org/", "/~cddb/cddb.cgi", "https://gnudb.gnudb.org/~cddb/cddb.cgi?"},
      {"", "/~cddb/cddb.cgi", ""},
      {"user@evil.org", "/~cddb/cddb.cgi", ""},
      {"host", "cddb.cgi", ""},
      {"file:///etc", "/passwd", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Server);
    TCddbServerOptions options;
    options.Server = c.Server;
    options.Script = c.Script;
    const std::string url = CddbRequestUrl(options, "cddb query 0a003c03 1 150 62");
    if (*c.Start) {
      EXPECT_EQ(url.rfind(c.Start, 0), 0u) << url;
    } else {
      EXPECT_EQ(url, "");
    }
  }
}

TEST(CddbProtocol, FieldsAreCutAtCharacterBoundaries) {
  const struct {
    std::string Text;
    size_t Max;
    size_t Length;
  } cases[] = {
      {"abcdef", 4, 4},
      {"abc", 4, 3},
      {"ab\xC3\xA9", 3, 2},         // é split after its first byte
      {"a\xE2\x82\xAC", 3, 1},      // € split
      {"\xF0\x9F\x8E\xB5x", 2, 0},  // a four-byte note
      {"\xF0\x9F\x8E\xB5x", 4, 4},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8PrefixLength(c.Text, c.Max), c.Length) << c.Text;

  char field[6];
  CopyUtf8Field(field, sizeof field, "abcd\xC3\xA9");
  EXPECT_STREQ(field, "abcd");
  EXPECT_EQ(field[5], '\0');
}

TEST(CddbProtocol, EntriesFitTheBufferByWholeLines) {
  const std::string entry = "# xmcd\nDTITLE=A / B\nTTITLE0=One\nEXTD=long extended data\n";
  EXPECT_EQ(FitCddbEntry(entry, entry.size() + 1), entry);
  EXPECT_EQ(FitCddbEntry(entry, entry.size()),
            "DTITLE=A / B\nTTITLE0=One\nEXTD=long extended data\n");
  EXPECT_EQ(FitCddbEntry(entry, 30), "DTITLE=A / B\nTTITLE0=One\n");
  EXPECT_EQ(FitCddbEntry(entry, 5), "");
}

}  // namespace
