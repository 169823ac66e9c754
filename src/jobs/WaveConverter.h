#pragma once

// TWaveConverter lives with the WAV reader that needs it (the stream
// library sits below the jobs library); jobs code includes it from here.
#include "acs/WaveConverter.h"
