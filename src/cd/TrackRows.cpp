#include "cd/TrackRows.h"

#include "settings/SharedRoutines.h"

#include <algorithm>

QString TrackLengthText(int minutes, int seconds) {
  return FormatTwoDigits(minutes) + ":" + FormatTwoDigits(seconds);
}

QString TrackSizeText(int seconds) {
  // 44100 frames of 4 bytes a second; hundredths of a megabyte, rounded.
  const int64_t bytes = static_cast<int64_t>(std::max(seconds, 0)) * 44100 * 4;
  const int64_t q = (bytes * 100 + 524288) / 1048576;
  return FormatTwoDigits(static_cast<int>(q / 100)) + "." +
         FormatTwoDigits(static_cast<int>(q % 100));
}

std::vector<TTrackRow> BuildTrackRows(const CDTOC& toc, TCDInfo& info) {
  std::vector<TTrackRow> rows;
  const int first = toc.FirstTrack;
  const int n = toc.LastTrack - first + 1;
  // The table holds n tracks and the lead-out; anything else is not a TOC.
  if (first < 1 || n < 1 || n >= kCDTOCEntries) return rows;
  for (int k = 1; k <= n; ++k) {
    const int t = first + k - 1;
    const CDTOCEntry& start = toc.Entries[k - 1];
    const CDTOCEntry& end = toc.Entries[k];
    int m = end.Address[1] - start.Address[1];
    int s = end.Address[2] - start.Address[2];
    if (s < 0) {
      s += 60;
      m -= 1;
    }
    TTrackRow row;
    row.Caption = QString::number(t);
    if (t <= kMaxTitles) {
      if (info.Tracks[t].isEmpty()) info.Tracks[t] = "Track" + FormatTwoDigits(t);
      row.Title = info.Tracks[t];
    }
    row.Length = TrackLengthText(m, s);
    row.Size = TrackSizeText(m * 60 + s);
    rows.push_back(row);
  }
  return rows;
}
