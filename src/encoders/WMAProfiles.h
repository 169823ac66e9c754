#pragma once

#include <QString>

#include <array>
#include <cstdint>

// The WMA encoder settings that WMAOptions.BitRate selects by index:
// "bitrate_samplerate_channels" as handed to the utility's -a_setting
// (44 = 44.1 kHz, 22 = 22.05 kHz, 11 = 11.025 kHz).
inline constexpr int kWMAProfileCount = 33;
inline constexpr int kDefaultWMAProfile = 8;

extern const std::array<const char*, kWMAProfileCount> WMAProfileTable;
// Expected size of the WAV input over the WMA output, times 1000, per
// profile (for estimating a run's progress from the growing output).
extern const std::array<int32_t, kWMAProfileCount> WMAProfileRatio;

// The index in force: an index outside 0..32 becomes 8 and is stored back.
int ValidWMAProfileIndex(int32_t& index);

// The profile's bit rate in kbit/s (the number before the first "_").
int WMAProfileKbps(int index);
