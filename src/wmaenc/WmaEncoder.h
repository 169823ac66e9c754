#pragma once

#include "wmaenc/WmaArguments.h"

#include <atomic>
#include <functional>
#include <string>

// Encodes a WAV file (any encoding libavformat's WAV reader takes) into a
// WMA file (wmav2 in ASF) with the rate, channels and bit rate of the
// setting, resampling and remixing as needed; author and description become
// the file's tags. The output grows while it works.
//
// Reports through say(), one line per call: "Progress: n%" while working
// (n below 100), "Progress: 100%" when the file is complete, "Note: ..." when
// the bit rate had to be raised to what the encoder takes, and a line that
// starts "ERROR:" with the reason when it fails, in which case nothing is
// left at the output path. Stops with an error when *interrupted turns true.
// Returns 0 on success, 1 on failure.
int RunWmaEncoder(const TWmaArguments& args, const std::function<void(const std::string&)>& say,
                  const std::atomic<bool>* interrupted = nullptr);
