// Track rows from a table of contents: lengths borrow seconds, frames are
// ignored, sizes round to hundredths of a megabyte, titles default.
#include "cd/TrackRows.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
struct Msf {
  int M, S, F;
};

CDTOC TocOf(int first, std::initializer_list<Msf> addresses) {
  CDTOC toc;
  std::memset(&toc, 0, sizeof toc);
  toc.FirstTrack = static_cast<uint8_t>(first);
  toc.LastTrack = static_cast<uint8_t>(first + static_cast<int>(addresses.size()) - 2);
  int i = 0;
  for (const Msf& a : addresses) {
    CDTOCEntry& e = toc.Entries[i];
    e.TrackNumber = static_cast<uint8_t>(i + 1 == static_cast<int>(addresses.size()) ? kLeadOutTrack
                                                                                     : first + i);
    e.Address[1] = static_cast<uint8_t>(a.M);
    e.Address[2] = static_cast<uint8_t>(a.S);
    e.Address[3] = static_cast<uint8_t>(a.F);
    ++i;
  }
  return toc;
}

TEST(TrackRows, LengthsBorrowSecondsAndIgnoreFrames) {
  TCDInfo info;
  const CDTOC toc = TocOf(1, {{0, 2, 0}, {2, 58, 74}, {5, 3, 0}, {5, 3, 74}, {9, 10, 0}});
  const std::vector<TTrackRow> rows = BuildTrackRows(toc, info);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].Length, "02:56");
  EXPECT_EQ(rows[1].Length, "02:05");  // 02:58 to 05:03
  EXPECT_EQ(rows[2].Length, "00:00");  // under a second apart
  EXPECT_EQ(rows[3].Length, "04:07");
  EXPECT_EQ(rows[3].Size, "41.55");
  EXPECT_EQ(rows[2].Size, "00.00");
}

TEST(TrackRows, SizesRoundToHundredthsOfAMegabyte) {
  EXPECT_EQ(TrackSizeText(247), "41.55");
  EXPECT_EQ(TrackSizeText(25), "04.21");
  EXPECT_EQ(TrackSizeText(0), "00.00");
  // One second is 176400 bytes, 0.168 MB: rounds up to 0.17.
  EXPECT_EQ(TrackSizeText(1), "00.17");
  EXPECT_EQ(TrackLengthText(4, 7), "04:07");
  EXPECT_EQ(TrackLengthText(12, 30), "12:30");
}

TEST(TrackRows, CaptionsAndTitlesFollowTheTrackNumbers) {
  TCDInfo info;
  info.Tracks[2] = "Second Song";
  const CDTOC toc = TocOf(1, {{0, 2, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}});
  const std::vector<TTrackRow> rows = BuildTrackRows(toc, info);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].Caption, "1");
  EXPECT_EQ(rows[0].Title, "Track01");
  EXPECT_EQ(rows[1].Title, "Second Song");
  EXPECT_EQ(rows[2].Title, "Track03");
  // The defaults are stored back into the disc record.
  EXPECT_EQ(info.Tracks[1], "Track01");
  EXPECT_EQ(info.Tracks[3], "Track03");
  EXPECT_TRUE(info.Tracks[4].isEmpty());
}

TEST(TrackRows, DiscNotStartingAtTrackOneUsesItsNumbers) {
  TCDInfo info;
  info.Tracks[11] = "Eleven";
  const CDTOC toc = TocOf(10, {{0, 2, 0}, {1, 0, 0}, {2, 30, 0}});
  const std::vector<TTrackRow> rows = BuildTrackRows(toc, info);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Caption, "10");
  EXPECT_EQ(rows[0].Title, "Track10");
  EXPECT_EQ(rows[1].Caption, "11");
  EXPECT_EQ(rows[1].Title, "Eleven");
  EXPECT_EQ(rows[1].Length, "01:30");
}

TEST(TrackRows, MalformedTableGivesNoRows) {
  TCDInfo info;
  CDTOC toc = TocOf(1, {{0, 2, 0}, {1, 0, 0}});
  toc.LastTrack = 0;
  EXPECT_TRUE(BuildTrackRows(toc, info).empty());
  toc.FirstTrack = 0;
  toc.LastTrack = 0;
  EXPECT_TRUE(BuildTrackRows(toc, info).empty());
  toc.FirstTrack = 1;
  toc.LastTrack = 200;  // more tracks than the table has entries
  EXPECT_TRUE(BuildTrackRows(toc, info).empty());
}
}  // namespace
