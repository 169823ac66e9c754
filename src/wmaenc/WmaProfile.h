#pragma once

#include <optional>
#include <string>

// An encoder setting "bitrate_rate_channels": kbit/s, the sample rate in
// whole kHz (44 = 44100, 22 = 22050, 11 = 11025, 48, 32, 16, 8) and 1 or 2
// channels, e.g. "64_44_2".
struct TWmaProfile {
  int BitRate = 0;  // bit/s
  int SampleRate = 0;
  int Channels = 0;
};

// Nothing when the text is not such a setting.
std::optional<TWmaProfile> ParseWmaProfile(const std::string& text);
