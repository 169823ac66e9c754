#include "jobs/CDRipThread.h"
#include "jobs/TrackChecksums.h"

#include "CdTestDrives.h"
#include "DiscImage.h"
#include "MessageSink.h"
#include "platform/CdDriveLibrary.h"
#include "platform/ProgramFolder.h"
#include "settings/OptionsSetting.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <vector>

namespace {

TTrackDescription Track(int64_t sectors, TTrackContent content, int64_t gap = 0) {
  TTrackDescription t;
  t.Sectors = sectors;
  t.GapSectors = gap;
  t.Content = content;
  t.Seed = static_cast<uint32_t>(sectors);
  return t;
}

// The checksums of every track, ripped through the drive library from a
// generated image, agree with those a separate script computes from the
// image's .bin; so do the disc ids.
TEST(TrackChecksumsTest, RippedTracksMatchAnIndependentComputation) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  SetProgramFolder(dir.path());
  OptionsSetting = TOptionsSetting{};
  OptionsSetting.CommonOptions.OutputFolder = dir.path();
  ASSERT_TRUE(QDir().mkpath(dir.path() + "/discs"));
  TDiscDescription disc;
  disc.Tracks = {Track(30, TTrackContent::Noise, 12), Track(41, TTrackContent::Tone, 75),
                 Track(9, TTrackContent::Ramp), Track(27, TTrackContent::Noise)};
  QString error;
  ASSERT_TRUE(WriteDiscImage(disc, dir.path() + "/discs/Sums.cue", &error)) << error.toStdString();
  const int32_t handle = OpenDriveByProduct("Sums");
  ASSERT_NE(handle, 0);

  const TDiscLayout layout = LayoutOf(disc);
  QStringList args{QString(TW_SOURCE_DIR) + "/tests/jobs/data/track_checksums.py",
                   dir.path() + "/discs/Sums.bin"};
  for (int64_t s : layout.TrackStarts) args << QString::number(s);
  args << QString::number(layout.LeadOut);
  QProcess script;
  script.start("python3", args);
  ASSERT_TRUE(script.waitForFinished(60000));
  ASSERT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
  const QStringList lines = QString::fromLatin1(script.readAllStandardOutput()).split('\n');
  ASSERT_GE(lines.size(), 5);

  TMessageSink sink;
  for (int track = 1; track <= 4; ++track) {
    TCDRipThread thread(track, QString("t%1").arg(track));
    thread.CDHandle = handle;
    thread.NotifyWindow = &sink;
    thread.Resume();
    thread.WaitFor();
    const TRipTrackReport& r = thread.Report;
    EXPECT_EQ(r.Status, kRipDone);
    EXPECT_TRUE(r.Whole);
    const QString got = QString::asprintf("%08x %08x %08x", r.Checksums.CopyCrc,
                                          r.Checksums.AccurateRipV1, r.Checksums.AccurateRipV2);
    EXPECT_EQ(got, lines[track - 1]) << "track " << track;
    EXPECT_EQ(QString::asprintf("ids %08x %08x", r.DiscIds.Id1, r.DiscIds.Id2), lines[4]);
    EXPECT_EQ(r.DiscIds.FreedbId, DiscIdOf(disc));
    EXPECT_EQ(r.DiscIds.AudioTracks, 4);
  }
  PumpEventsUntil([] { return false; }, 20);
  CloseCDHandle(handle);
  SetProgramFolder(QString());
}

// Chunks that split a sample anywhere give the sums of one whole update; the
// edges of the first and last track are left out of both sums only.
TEST(TrackChecksumsTest, SplitChunksAndEdges) {
  std::vector<uint8_t> audio(4 * 3 * 588 * 5);
  for (size_t i = 0; i < audio.size(); ++i) audio[i] = static_cast<uint8_t>(i * 7 + 3);
  TTrackChecksums whole(false, false, int64_t(audio.size() / 4));
  whole.Update(audio.data(), audio.size());
  for (size_t chunk : {1u, 3u, 5u, 2351u}) {
    TTrackChecksums split(false, false, int64_t(audio.size() / 4));
    for (size_t at = 0; at < audio.size(); at += chunk)
      split.Update(audio.data() + at, std::min(chunk, audio.size() - at));
    EXPECT_EQ(split.Result().CopyCrc, whole.Result().CopyCrc) << chunk;
    EXPECT_EQ(split.Result().AccurateRipV1, whole.Result().AccurateRipV1) << chunk;
    EXPECT_EQ(split.Result().AccurateRipV2, whole.Result().AccurateRipV2) << chunk;
  }
  // A track shorter than both edges: only its copy CRC and peak are left.
  TTrackChecksums tiny(true, true, 2000);
  tiny.Update(audio.data(), 8000);
  EXPECT_EQ(tiny.Result().AccurateRipV1, 0u);
  EXPECT_EQ(tiny.Result().CopyCrc, Crc32Update(0, audio.data(), 8000));
  EXPECT_EQ(Crc32Update(0, reinterpret_cast<const uint8_t*>("123456789"), 9), 0xCBF43926u);
}

// The copy CRC, folded by carry-less multiplication where the processor
// can, against the bit-by-bit definition, for every length around the
// fold's 16- and 64-byte steps and from every alignment.
TEST(CopyCrc, MatchesTheBitwiseDefinition) {
  std::vector<uint8_t> data(4096 + 16);
  uint32_t seed = 12345;
  for (uint8_t& b : data) b = uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
  auto bitwise = [](const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
      c ^= p[i];
      for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return c ^ 0xFFFFFFFFu;
  };
  for (size_t offset : {0u, 1u, 7u})
    for (size_t n = 0; n < 300; ++n)
      ASSERT_EQ(Crc32Update(0, data.data() + offset, n), bitwise(data.data() + offset, n))
          << offset << " " << n;
  EXPECT_EQ(Crc32Update(0, data.data(), 4096), bitwise(data.data(), 4096));
  const uint32_t head = Crc32Update(0, data.data(), 1000);
  EXPECT_EQ(Crc32Update(head, data.data() + 1000, 3000), bitwise(data.data(), 4000));
}

}  // namespace
