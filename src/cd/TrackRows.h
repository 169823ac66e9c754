#pragma once

#include "cd/DriveAccess.h"
#include "platform/CdDriveLibrary.h"
#include "settings/CDInfo.h"

#include <vector>

// Length text of a track: minutes and seconds, two digits each ("04:07").
QString TrackLengthText(int minutes, int seconds);

// Size text of a track of that many seconds of CD audio: megabytes with two
// decimals, "41.55" for 247 s.
QString TrackSizeText(int seconds);

// The rows of a table of contents read with minute-second-frame addresses:
// one per track, data tracks included, each track ending where the next
// entry (the lead-out after the last) starts; frames are ignored. A title
// missing in info becomes "Track" + two digits and is stored back.
std::vector<TTrackRow> BuildTrackRows(const CDTOC& toc, TCDInfo& info);
