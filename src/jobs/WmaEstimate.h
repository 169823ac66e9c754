#pragma once

#include <cstdint>
#include <optional>

// A WMA run's expected total time, judged once a second from the size of the
// growing output file.
//
// elapsed: whole seconds since the run started. sourceSize: the WAV source
// in bytes. outSize: the output file so far (-1 while it does not exist).
// ratio: the profile's WAV-to-WMA size ratio x 1000. Sources under 2000000
// bytes take about 2 seconds. Otherwise the expected output size is
// sourceSize x 1000 / ratio (or what was written already, if more) and the
// total is elapsed scaled by how much of it is there. Nothing is estimated
// while there is no output yet. The total is always past elapsed.
std::optional<int64_t> EstimateWmaTotal(int64_t elapsed, int64_t sourceSize, int64_t outSize,
                                        int32_t ratio);

// The size ratio of a profile whose bit rate the utility raised to what the
// encoder takes (profileKbps to actualKbps): the output grows that much
// faster. actualKbps of 0 or less keeps the table's ratio.
int32_t EffectiveWmaRatio(int32_t tableRatio, int profileKbps, int actualKbps);

// Percent of total reached after elapsed seconds, rounded.
int WmaGaugePercent(int64_t elapsed, int64_t total);
