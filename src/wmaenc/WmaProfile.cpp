#include "wmaenc/WmaProfile.h"

#include <cctype>
#include <vector>

namespace {

std::optional<int> SmallNumber(const std::string& field) {
  if (field.empty() || field.size() > 4) return std::nullopt;
  int value = 0;
  for (char c : field) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<int> SampleRateFromKHz(int khz) {
  switch (khz) {
    case 48:
      return 48000;
    case 44:
      return 44100;
    case 32:
      return 32000;
    case 22:
      return 22050;
    case 16:
      return 16000;
    case 11:
      return 11025;
    case 8:
      return 8000;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<TWmaProfile> ParseWmaProfile(const std::string& text) {
  std::vector<std::string> fields(1);
  for (char c : text) {
    if (c == '_') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  if (fields.size() != 3) return std::nullopt;
  const auto kbits = SmallNumber(fields[0]);
  const auto khz = SmallNumber(fields[1]);
  const auto channels = SmallNumber(fields[2]);
  if (!kbits || !khz || !channels) return std::nullopt;
  const auto rate = SampleRateFromKHz(*khz);
  if (!rate || *kbits < 1 || *kbits > 320 || (*channels != 1 && *channels != 2))
    return std::nullopt;
  return TWmaProfile{*kbits * 1000, *rate, *channels};
}
