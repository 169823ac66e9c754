// The job runner's rules that need no run: names, captions, estimates, the
// Ogg settings.
#include "acs/ACSVorbis.h"
#include "encoders/WMAEncodeProcess.h"
#include "jobs/JobKinds.h"
#include "jobs/JobPaths.h"
#include "jobs/RipTags.h"
#include "jobs/WmaEstimate.h"
#include "tags/Id3Genres.h"

#include <gtest/gtest.h>

TEST(JobRules, OutputPathsAndCaptions) {
  const QString f = "/out/";
  EXPECT_EQ(JobOutputPath(kJobRipTracks, f, "03A.B", ".mp3"), "/out/A.B.mp3");
  EXPECT_EQ(JobOutputPath(kJobWavToMp3, f, "/in.d/song.wav", ".mp3"), "/out/song.mp3");
  EXPECT_EQ(JobOutputPath(kJobMp3ToWav, f, "/in/noext", ".wav"), "/out/noext.wav");
  EXPECT_EQ(JobOutputPath(kJobRecorderMp3, f, "/rec.d/take.wav", ".mp3"), "/rec.d/take.mp3");
  EXPECT_EQ(JobOutputPath(kJobWavToOgg, f, "/in/a.b.wav", ".ogg"), "/out/a.b.ogg");
  EXPECT_EQ(JobCaption("Extracting", 2, 12, "Track02"), "Extracting(02/12): Track02");
  EXPECT_EQ(JobCaption("Encoding", 100, 100, "x"), "Encoding(100/100): x");
  EXPECT_EQ(EntryTrackNumber("07Intro"), 7);
  EXPECT_EQ(EntryTitle("07Intro"), "Intro");
}

TEST(JobRules, WmaEstimate) {
  struct Case {
    int64_t elapsed, source, out;
    std::optional<int64_t> total;
  };
  const int32_t ratio = 21790;  // 64_44_2: 10 MB of WAV make about 459 kB
  const Case cases[] = {
      {0, 1999999, -1, 2},        // small source: 2 seconds ...
      {1, 1999999, 500, 2},       //
      {2, 1999999, 500, 3},       // ... then always a second ahead
      {5, 1999999, 500, 6},       //
      {3, 10000000, -1, {}},      // no output yet: no estimate
      {3, 10000000, 0, {}},       //
      {3, 10000000, 45892, 30},   // a tenth written after 3 s
      {9, 10000000, 600000, 10},  // more than expected: the output counts
  };
  for (const Case& c : cases)
    EXPECT_EQ(EstimateWmaTotal(c.elapsed, c.source, c.out, ratio), c.total)
        << c.elapsed << " s, " << c.source << " / " << c.out;
  EXPECT_EQ(EffectiveWmaRatio(261485, 5, 10), 130743);  // twice the rate, half the ratio
  EXPECT_EQ(EffectiveWmaRatio(261485, 5, 0), 261485);
  EXPECT_EQ(WmaGaugePercent(1, 3), 33);
  EXPECT_EQ(ParseWmaRateNote("Note: 5 kbit/s is below what the encoder takes at 8000 Hz with 1 "
                             "channel(s); encoding at 12 kbit/s"),
            12);
  EXPECT_EQ(ParseWmaRateNote("Encoding 100%"), 0);
}

// Every job of a run encodes with the chosen bit rates, whatever the encoder
// was left with by the job before.
TEST(JobRules, OggSettingsAreTheSameForEveryJob) {
  TOggOptions managed;
  managed.MaxBitRate = br192;
  managed.NomalBitRate = br128;
  managed.MinBitRate = br64;
  TVorbisOut out;
  for (int job = 0; job < 2; ++job) {
    ApplyOggSettings(out, managed);
    EXPECT_EQ(out.DesiredMaximumBitrate(), br192) << job;
    EXPECT_EQ(out.DesiredNominalBitrate(), br128) << job;
    EXPECT_EQ(out.MinimumBitrate(), br64) << job;
    EXPECT_FLOAT_EQ(out.Compression(), 0.2f);
  }
  TOggOptions quality;
  quality.IsUseCompress = true;
  quality.CompressPosition = 50;
  ApplyOggSettings(out, quality);
  EXPECT_EQ(out.DesiredNominalBitrate(), brAutoSelect);
  EXPECT_EQ(out.DesiredMaximumBitrate(), brAutoSelect);
  EXPECT_EQ(out.MinimumBitrate(), brAutoSelect);
  EXPECT_FLOAT_EQ(out.Compression(), 0.4f);
}

TEST(JobRules, VorbisCommentsOfATrack) {
  TCDInfo disc;
  disc.Artist = "Ärtist";
  disc.Year = "1999";
  disc.Genre = -1;
  EXPECT_EQ(RipVorbisComments(disc, "Title", 3),
            QStringList({"TITLE=Title", "ARTIST=Ärtist", "DATE=1999", "TRACKNUMBER=3"}));
  disc.Genre = 0;
  EXPECT_EQ(RipVorbisComments(disc, "T", 1).at(3), "GENRE=" + GenreNameAt(0));
}
