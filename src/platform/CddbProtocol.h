#pragma once

// The CDDB protocol (level 6, UTF-8) as it travels over HTTP: the commands
// the drive library sends and the replies it reads. Pure functions over
// text, no I/O, so every reply a server can send is testable (and
// fuzzable) from memory.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kCddbProtocolLevel = 6;
// Category names are short lower-case words ("soundtrack" is the longest).
inline constexpr size_t kCddbMaxCategory = 11;

// What "cddb query" sends for one disc.
struct TCddbDiscQuery {
  uint32_t DiscId = 0;
  std::vector<int64_t> Offsets;  // each track's start in frames, 00:02:00 = 150
  int64_t Seconds = 0;           // the lead-out's absolute time in seconds
};

// One disc the server lists for a query.
struct TCddbMatch {
  std::string Category;  // lower-case letters only
  std::string DiscId;    // eight lower-case hex digits
  std::string Title;     // "artist / title" as the server lists it
  bool Exact = false;
};

enum class TCddbQueryOutcome {
  Matches,  // 200, 210 or 211 with at least one usable line
  NoMatch,  // 202
  Error,    // a 4xx/5xx code or a reply that is not the protocol's
};

struct TCddbQueryReply {
  TCddbQueryOutcome Outcome = TCddbQueryOutcome::Error;
  int Code = 0;  // the reply's status code, 0 when there was none
  std::vector<TCddbMatch> Matches;
};

// "cddb query <discid> <tracks> <offset>... <seconds>".
std::string CddbQueryCommand(const TCddbDiscQuery& disc);
// "cddb read <category> <discid>".
std::string CddbReadCommand(const TCddbMatch& match);

// The four words of "hello": user and host from an e-mail-shaped identity
// ("user@host"; no "@" gives the host "localhost"), client name and version
// from a program text ("Name 1.2"; no version gives "0"). Blanks inside a
// word become '_' so each stays one word.
std::vector<std::string> CddbHelloWords(std::string_view identity, std::string_view program);

// The query string of an HTTP request: cmd, hello and proto, each word
// percent-encoded and the words joined with '+'.
std::string CddbRequestQuery(std::string_view command, const std::vector<std::string>& hello,
                             int protocolLevel = kCddbProtocolLevel);

// Checks a category and a disc id before they go into a command.
bool IsCddbCategory(std::string_view text);
bool IsCddbDiscId(std::string_view text);

// Reads the reply to "cddb query". At most maxMatches matches are kept; a
// list line that does not name a valid category and disc id is skipped. A
// list without its terminating "." is an error (the reply was cut).
TCddbQueryReply ParseCddbQueryReply(std::string_view body, size_t maxMatches);

// The disc entry of a "cddb read" reply (code 210): its lines, each ended
// with "\n", without the status line and the terminating ".". Nothing for
// any other code, a cut reply or a reply holding a NUL byte.
std::optional<std::string> ParseCddbReadReply(std::string_view body);

// The entry made to fit a buffer of bufferSize bytes with its NUL: comment
// lines go first, then whole lines from the end (extended data and play
// order come last in an entry). Lines are never cut.
std::string FitCddbEntry(std::string_view entry, size_t bufferSize);

// The longest prefix of text of at most maxBytes bytes that does not end
// inside a UTF-8 character.
size_t Utf8PrefixLength(std::string_view text, size_t maxBytes);

// Copies text into a NUL-terminated field of fieldSize bytes, cut at a
// character boundary; the rest of the field is zero.
void CopyUtf8Field(char* field, size_t fieldSize, std::string_view text);

// Splits "artist / title" at the first " / ". Without it the artist is
// empty and the whole text is the title.
void SplitCddbTitle(std::string_view text, std::string* artist, std::string* title);
