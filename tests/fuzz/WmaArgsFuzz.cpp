#include "FuzzTargets.h"

#include "wmaenc/WmaArguments.h"
#include "wmaenc/WmaProfile.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// The value after the last occurrence of a switch, as the parser keeps it.
std::optional<std::string> LastValue(const std::vector<std::string>& args, const char* name) {
  std::optional<std::string> value;
  for (size_t i = 0; i + 1 < args.size(); i += 2)
    if (args[i] == name) value = args[i + 1];
  return value;
}

int KiloHertz(int rate) { return rate / 1000; }

void CheckProfile(const std::string& text) {
  const std::optional<TWmaProfile> p = ParseWmaProfile(text);
  if (!p) return;
  FUZZ_CHECK(std::count(text.begin(), text.end(), '_') == 2);
  FUZZ_CHECK(std::all_of(text.begin(), text.end(),
                         [](char c) { return c == '_' || (c >= '0' && c <= '9'); }));
  FUZZ_CHECK(p->Channels == 1 || p->Channels == 2);
  const int rates[] = {48000, 44100, 32000, 22050, 16000, 11025, 8000};
  FUZZ_CHECK(std::find(std::begin(rates), std::end(rates), p->SampleRate) != std::end(rates));
  FUZZ_CHECK(p->BitRate > 0 && p->BitRate % 1000 == 0);
  const std::string again = std::to_string(p->BitRate / 1000) + "_" +
                            std::to_string(KiloHertz(p->SampleRate)) + "_" +
                            std::to_string(p->Channels);
  const std::optional<TWmaProfile> q = ParseWmaProfile(again);
  FUZZ_CHECK(q && q->BitRate == p->BitRate && q->SampleRate == p->SampleRate &&
             q->Channels == p->Channels);
}

}  // namespace

// The input split at NUL bytes is the utility's argument list; the whole
// input is also read as a setting. A refusal always says why; an accepted
// list holds every value given to its switches, as the last one of each
// gave it, and parses to the same when written out again.
int FuzzWmaArgs(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  if (!text.empty()) {
    args.emplace_back();
    for (char c : text) {
      if (c == '\0') {
        args.emplace_back();
      } else {
        args.back() += c;
      }
    }
  }
  CheckProfile(text);
  std::string error;
  const std::optional<TWmaArguments> parsed = ParseWmaArguments(args, error);
  if (!parsed) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  FUZZ_CHECK(!parsed->Input.empty() && !parsed->Output.empty() && !parsed->Setting.empty());
  FUZZ_CHECK(LastValue(args, "-input") == parsed->Input);
  FUZZ_CHECK(LastValue(args, "-output") == parsed->Output);
  FUZZ_CHECK(LastValue(args, "-a_setting") == parsed->Setting);
  FUZZ_CHECK(LastValue(args, "-author") == parsed->Author);
  FUZZ_CHECK(LastValue(args, "-description") == parsed->Description);
  CheckProfile(parsed->Setting);

  std::vector<std::string> written = {"-input",       parsed->Input, "-output",
                                      parsed->Output, "-a_setting",  parsed->Setting};
  if (parsed->Author) written.insert(written.end(), {"-author", *parsed->Author});
  if (parsed->Description) written.insert(written.end(), {"-description", *parsed->Description});
  const std::optional<TWmaArguments> again = ParseWmaArguments(written, error);
  FUZZ_CHECK(again && again->Input == parsed->Input && again->Output == parsed->Output &&
             again->Setting == parsed->Setting && again->Author == parsed->Author &&
             again->Description == parsed->Description);
  return 0;
}
