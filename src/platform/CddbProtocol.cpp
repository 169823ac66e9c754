#include "platform/CddbProtocol.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// The lines of a reply: split at "\n", a trailing "\r" dropped.
std::vector<std::string_view> SplitLines(std::string_view body) {
  std::vector<std::string_view> lines;
  while (!body.empty()) {
    const size_t end = body.find('\n');
    std::string_view line = body.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    body.remove_prefix(end + 1);
  }
  return lines;
}

// The three-digit status code that opens a reply line, or 0.
int StatusCode(std::string_view line) {
  if (line.size() < 3) return 0;
  for (int i = 0; i < 3; ++i)
    if (line[i] < '0' || line[i] > '9') return 0;
  if (line.size() > 3 && line[3] != ' ') return 0;
  return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

std::string_view NextWord(std::string_view* text) {
  const size_t start = text->find_first_not_of(' ');
  if (start == std::string_view::npos) {
    *text = {};
    return {};
  }
  text->remove_prefix(start);
  const size_t end = text->find(' ');
  const std::string_view word = text->substr(0, end);
  text->remove_prefix(end == std::string_view::npos ? text->size() : end + 1);
  return word;
}

// "<category> <discid> <title>"; false when the first two are not valid.
bool ParseMatch(std::string_view line, bool exact, TCddbMatch* match) {
  const std::string_view category = NextWord(&line);
  const std::string_view discId = NextWord(&line);
  if (!IsCddbCategory(category) || !IsCddbDiscId(discId)) return false;
  match->Category.assign(category);
  match->DiscId.assign(discId);
  std::transform(match->DiscId.begin(), match->DiscId.end(), match->DiscId.begin(),
                 [](char c) { return static_cast<char>(c >= 'A' && c <= 'F' ? c + 32 : c); });
  match->Title.assign(line);
  match->Exact = exact;
  return true;
}

void AppendEncoded(std::string* out, std::string_view word) {
  static const char kHex[] = "0123456789ABCDEF";
  for (const char c : word) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' ||
        u == '.' || u == '_' || u == '~') {
      out->push_back(c);
    } else {
      out->push_back('%');
      out->push_back(kHex[u >> 4]);
      out->push_back(kHex[u & 15]);
    }
  }
}

void AppendWords(std::string* out, const std::vector<std::string_view>& words) {
  for (size_t i = 0; i < words.size(); ++i) {
    if (i) out->push_back('+');
    AppendEncoded(out, words[i]);
  }
}

std::string OneWord(std::string_view text, std::string_view fallback) {
  std::string word(text.empty() ? fallback : text);
  for (char& c : word)
    if (static_cast<unsigned char>(c) <= ' ') c = '_';
  return word;
}

std::string_view Trimmed(std::string_view text) {
  const size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return {};
  const size_t end = text.find_last_not_of(' ');
  return text.substr(start, end - start + 1);
}

}  // namespace

std::string CddbQueryCommand(const TCddbDiscQuery& disc) {
  char id[9];
  std::snprintf(id, sizeof id, "%08x", disc.DiscId);
  std::string command = "cddb query ";
  command += id;
  command += ' ';
  command += std::to_string(disc.Offsets.size());
  for (const int64_t offset : disc.Offsets) {
    command += ' ';
    command += std::to_string(offset);
  }
  command += ' ';
  command += std::to_string(disc.Seconds);
  return command;
}

std::string CddbReadCommand(const TCddbMatch& match) {
  return "cddb read " + match.Category + " " + match.DiscId;
}

std::vector<std::string> CddbHelloWords(std::string_view identity, std::string_view program) {
  identity = Trimmed(identity);
  program = Trimmed(program);
  const size_t at = identity.find('@');
  const std::string_view user = identity.substr(0, at);
  const std::string_view host =
      at == std::string_view::npos ? std::string_view() : identity.substr(at + 1);
  const size_t blank = program.rfind(' ');
  const std::string_view client =
      blank == std::string_view::npos ? program : Trimmed(program.substr(0, blank));
  const std::string_view version =
      blank == std::string_view::npos ? std::string_view() : program.substr(blank + 1);
  return {OneWord(user, "anonymous"), OneWord(host, "localhost"), OneWord(client, "unknown"),
          OneWord(version, "0")};
}

std::string CddbRequestQuery(std::string_view command, const std::vector<std::string>& hello,
                             int protocolLevel) {
  std::vector<std::string_view> words;
  for (std::string_view rest = command;;) {
    const std::string_view word = NextWord(&rest);
    if (word.empty()) break;
    words.push_back(word);
  }
  std::string query = "cmd=";
  AppendWords(&query, words);
  query += "&hello=";
  AppendWords(&query, std::vector<std::string_view>(hello.begin(), hello.end()));
  query += "&proto=" + std::to_string(protocolLevel);
  return query;
}

bool IsCddbCategory(std::string_view text) {
  if (text.empty() || text.size() > kCddbMaxCategory) return false;
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

bool IsCddbDiscId(std::string_view text) {
  if (text.size() != 8) return false;
  return std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  });
}

TCddbQueryReply ParseCddbQueryReply(std::string_view body, size_t maxMatches) {
  TCddbQueryReply reply;
  if (body.find('\0') != std::string_view::npos) return reply;
  const std::vector<std::string_view> lines = SplitLines(body);
  if (lines.empty()) return reply;
  reply.Code = StatusCode(lines.front());
  switch (reply.Code) {
    case 200: {
      TCddbMatch match;
      std::string_view rest = lines.front().substr(std::min<size_t>(4, lines.front().size()));
      if (ParseMatch(rest, true, &match) && maxMatches > 0) {
        reply.Matches.push_back(std::move(match));
        reply.Outcome = TCddbQueryOutcome::Matches;
      }
      return reply;
    }
    case 202:
      reply.Outcome = TCddbQueryOutcome::NoMatch;
      return reply;
    case 210:
    case 211: {
      bool terminated = false;
      for (size_t i = 1; i < lines.size(); ++i) {
        if (lines[i] == ".") {
          terminated = true;
          break;
        }
        TCddbMatch match;
        if (reply.Matches.size() < maxMatches && ParseMatch(lines[i], reply.Code == 210, &match))
          reply.Matches.push_back(std::move(match));
      }
      if (terminated && !reply.Matches.empty()) {
        reply.Outcome = TCddbQueryOutcome::Matches;
      } else {
        reply.Matches.clear();
      }
      return reply;
    }
    default:
      return reply;
  }
}

std::optional<std::string> ParseCddbReadReply(std::string_view body) {
  if (body.find('\0') != std::string_view::npos) return std::nullopt;
  const std::vector<std::string_view> lines = SplitLines(body);
  if (lines.empty() || StatusCode(lines.front()) != 210) return std::nullopt;
  std::string entry;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i] == ".") return entry;
    entry.append(lines[i]);
    entry.push_back('\n');
  }
  return std::nullopt;
}

std::string FitCddbEntry(std::string_view entry, size_t bufferSize) {
  if (bufferSize == 0) return {};
  const size_t room = bufferSize - 1;
  if (entry.size() <= room) return std::string(entry);
  std::string kept;
  for (std::string_view line : SplitLines(entry)) {
    if (!line.empty() && line.front() == '#') continue;
    if (kept.size() + line.size() + 1 > room) break;
    kept.append(line);
    kept.push_back('\n');
  }
  return kept;
}

size_t Utf8PrefixLength(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text.size();
  size_t cut = maxBytes;
  // Back off over continuation bytes to the start of the character that
  // the cut would split.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return cut;
}

void CopyUtf8Field(char* field, size_t fieldSize, std::string_view text) {
  if (fieldSize == 0) return;
  std::memset(field, 0, fieldSize);
  const size_t length = Utf8PrefixLength(text, fieldSize - 1);
  std::memcpy(field, text.data(), length);
}

void SplitCddbTitle(std::string_view text, std::string* artist, std::string* title) {
  const size_t separator = text.find(" / ");
  if (separator == std::string_view::npos) {
    artist->clear();
    title->assign(Trimmed(text));
    return;
  }
  artist->assign(Trimmed(text.substr(0, separator)));
  title->assign(Trimmed(text.substr(separator + 3)));
}
