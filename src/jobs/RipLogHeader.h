#pragma once

// The opening facts of a rip log, taken from the settings and the drive
// behind the handle at the end of the run.

#include "jobs/RipLog.h"

#include <cstdint>

TRipLogHeader CurrentRipLogHeader(int32_t cdHandle);

// The output format and the options that shaped the files, as one line.
QString OutputDescription();
