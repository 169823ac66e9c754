// Hostile disc images: broken cues and bins give a failing table of
// contents or failing reads, never a crash or a read outside the image.
#include "CdImageFixture.h"
#include "platform/CdDriveLibrary.h"
#include "platform/CdHandles.h"
#include "platform/CueSheetCheck.h"

#include <QFile>

#include <cstring>

#include <sys/stat.h>

namespace {
class CdImageInput : public TCdImageFixture {
 protected:
  void TearDown() override {
    for (int32_t h = 1; h <= kMaxCDHandles; ++h) CloseCDHandle(h);
    TCdImageFixture::TearDown();
  }

  void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
  }

  void WriteCue(const QString& name, const QByteArray& text, int64_t binSectors) {
    WriteFile(CuePath(name), text);
    if (binSectors >= 0) {
      QFile bin(DiscsFolder() + "/" + name + ".bin");
      ASSERT_TRUE(bin.open(QIODevice::WriteOnly | QIODevice::Truncate));
      ASSERT_TRUE(bin.resize(binSectors * kRawSectorBytes));
    }
  }

  // Opens the only image; the drive opens whatever the image holds.
  int32_t Open() {
    CDList list;
    std::memset(&list, 0, sizeof list);
    list.Capacity = kCDListCapacity;
    EXPECT_EQ(GetCDList(&list), 1);
    CDHandleRequest request;
    std::memset(&request, 0, sizeof request);
    request.Size = 12;
    request.Version = 1;
    request.HostAdapter = list.Entries[0].HostAdapter;
    request.Target = list.Entries[0].Target;
    const int32_t h = GetCDHandle(&request);
    EXPECT_NE(h, 0);
    return h;
  }

  int32_t ReadTable(int32_t h, CDTOC* toc) {
    std::memset(toc, 0, sizeof *toc);
    return ReadTOC(h, toc);
  }

  int32_t ReadOne(int32_t h, uint32_t lsn) {
    TTrackBufferPtr buffer = NewTrackBuffer(1);
    buffer->StartFrame = lsn;
    return ReadCDAudioLBA(h, buffer.get());
  }
};

TEST_F(CdImageInput, CueWithoutItsBinHasNoReadableDisc) {
  WriteCue("lonely", "FILE \"lonely.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n", -1);
  const int32_t h = Open();
  CDTOC toc;
  EXPECT_EQ(ReadTable(h, &toc), 0);
  EXPECT_EQ(GetAspiLibError(), kCdErrNoMedia);
  EXPECT_EQ(ReadOne(h, 0), 0);
  EXPECT_TRUE(CdMediaSignature(h).isEmpty());
}

TEST_F(CdImageInput, TrackStartingPastTheEndOfTheBinMakesTheTableFail) {
  WriteCue("beyond",
           "FILE \"beyond.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
           "  TRACK 02 AUDIO\n    INDEX 01 00:10:00\n",
           300);  // 4 s of bin, track 2 claims to start at 10 s
  const int32_t h = Open();
  CDTOC toc;
  EXPECT_EQ(ReadTable(h, &toc), 0);
  EXPECT_EQ(GetAspiLibError(), kCdErrBadToc);
  EXPECT_EQ(ReadOne(h, 0), 0);
}

TEST_F(CdImageInput, TruncatedBinShortensTheLastTrackAndLimitsReads) {
  AddImage("cut", AudioDisc({4, 4}));  // 600 sectors
  QFile bin(DiscsFolder() + "/cut.bin");
  ASSERT_TRUE(bin.resize(450 * kRawSectorBytes + 1000));  // half a track and a partial sector
  const int32_t h = Open();
  CDTOC toc;
  ASSERT_EQ(ReadTable(h, &toc), 1);
  const uint32_t leadOut =
      toc.Entries[2].Address[0] | toc.Entries[2].Address[1] << 8 | toc.Entries[2].Address[2] << 16;
  EXPECT_LE(leadOut, 451u);
  EXPECT_EQ(ReadOne(h, 449), 1);
  EXPECT_EQ(ReadOne(h, 450), 0);  // the partial sector is not a sector
}

TEST_F(CdImageInput, GarbageInTheCueNeverCrashes) {
  const QByteArray cues[] = {
      "",
      "this is not a cue sheet\n\x01\x02\x03",
      "FILE \"g.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 99:99:99\n",
      "FILE \"g.bin\" BINARY\n  TRACK 01 AUDIO\n",
      "FILE \"g.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n"
      "    INDEX 01 00:00:00\n",
      "FILE \"g.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:02:00\n  TRACK 02 AUDIO\n"
      "    INDEX 01 00:01:00\n",
      "FILE \"g.bin\" BINARY\n  TRACK 100 AUDIO\n    INDEX 01 00:00:00\n",
      "FILE \"g.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 -1:00:00\n",
      "FILE \"g.bin\" BINARY\n  TRACK 75 AUDIO\n    INDEX 01 00:00:00\n",
      "FILE \"g.bin\" BINARY\n  TRACK 99 AUDIO\n    INDEX 01 00:00:00\n",
      QByteArray(5000, 'X'),
  };
  for (const QByteArray& cue : cues) {
    WriteCue("g", cue, 400);
    const int32_t h = Open();
    CDTOC toc;
    if (ReadTable(h, &toc) == 1) {
      // Whatever libcdio made of it, the table is ordered and reads stay inside.
      const int n = toc.LastTrack - toc.FirstTrack + 1;
      ASSERT_GE(n, 1);
      ASSERT_LE(n, 99);
      EXPECT_EQ(toc.Entries[n].TrackNumber, kLeadOutTrack);
      EXPECT_EQ(ReadOne(h, 400), 0);
    }
    EXPECT_NE(CloseCDHandle(h), 0);
  }
}

TEST_F(CdImageInput, NinetyNineTracksFitTheTable) {
  TDiscDescription disc;
  for (int i = 0; i < 99; ++i) disc.Tracks.push_back(Track(TTrackContent::Ramp, 5));
  AddImage("many", disc);
  const int32_t h = Open();
  CDTOC toc;
  ASSERT_EQ(ReadTable(h, &toc), 1);
  EXPECT_EQ(toc.FirstTrack, 1);
  EXPECT_EQ(toc.LastTrack, 99);
  EXPECT_EQ(toc.Entries[98].TrackNumber, 99);
  EXPECT_EQ(toc.Entries[99].TrackNumber, kLeadOutTrack);
  EXPECT_EQ(toc.Length, 2 + 8 * 100);
  EXPECT_EQ(ReadOne(h, 99 * 5 - 1), 1);
  EXPECT_EQ(ReadOne(h, 99 * 5), 0);
}

TEST_F(CdImageInput, DataOnlyDiscHasATableButNoAudioTrack) {
  TDiscDescription disc;
  disc.Tracks.push_back(Track(TTrackContent::Data, 300));
  AddImage("data", disc);
  const int32_t h = Open();
  CDTOC toc;
  ASSERT_EQ(ReadTable(h, &toc), 1);
  EXPECT_EQ(toc.LastTrack, 1);
  EXPECT_NE(toc.Entries[0].AdrControl & 0x04, 0);
  EXPECT_FALSE(CdDriveHasAudio(0));
  EXPECT_FALSE(CdDriveHasAudio(1));
  EXPECT_FALSE(CdDriveHasAudio(-1));
}

TEST_F(CdImageInput, TrayCommandsDoNothingOnAnImage) {
  AddImage("tray", AudioDisc({1}));
  const int32_t h = Open();
  EXPECT_FALSE(CdOpenTray(h));
  EXPECT_FALSE(CdCloseTray(h));
  CDTOC toc;
  EXPECT_EQ(ReadTable(h, &toc), 1);  // the image is still there
  EXPECT_NE(CloseCDHandle(h), 0);
}
}  // namespace

// What reaches libcdio's parser: tracks 1, 2, 3 ... with an INDEX 01 each.
TEST(CueSheetCheck, AcceptsOnlyOrderedTracksWithValidIndexes) {
  const QByteArray head = "FILE \"d.bin\" BINARY\r\n";
  const struct {
    QByteArray Body;
    bool Accepted;
  } cases[] = {
      {"  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n", true},
      {"REM GENRE Rock\nTITLE \"x\"\n  TRACK 01 AUDIO\n    FLAGS DCP\n    PREGAP 00:02:00\n"
       "    INDEX 00 00:00:00\n    INDEX 01 00:01:74\n  TRACK 2 MODE1/2352\n    INDEX 01 "
       "01:00:00\n",
       true},
      {"  TRACK 75 AUDIO\n    INDEX 01 00:00:00\n", false},
      {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 03 AUDIO\n    INDEX 01 00:09:00\n", false},
      {"  TRACK 01 AUDIO\n    INDEX 00 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:09:00\n", false},
      {"  TRACK 01 AUDIO\n    INDEX 01 00:00:75\n", false},
      {"  TRACK 01 AUDIO\n    INDEX 01 00:60:00\n", false},
      {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n    INDEX 01 00:01:00\n", false},
      {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\nFILE \"e.bin\" BINARY\n", false},
      {"  TRACK 01 VIDEO\n    INDEX 01 00:00:00\n", false},
      {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n    JUMP 3\n", false},
      {"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsAudioCueSheet(head + c.Body), c.Accepted) << c.Body.data();
  EXPECT_FALSE(IsAudioCueSheet("  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"));  // no FILE
}

// A FIFO put where the damaged-sector list belongs must not freeze the open.
TEST_F(CdImageInput, FifoAsDamagedSectorListIsIgnored) {
  AddImage("fifo", AudioDisc({2}));
  ASSERT_EQ(::mkfifo(QFile::encodeName(DiscsFolder() + "/fifo.bad").constData(), 0600), 0);
  const int32_t h = Open();
  CDTOC toc;
  ASSERT_EQ(ReadTable(h, &toc), 1);
  EXPECT_EQ(ReadOne(h, 10), 1);
}

// A physical drive's poll rereads the table only when it may have changed,
// and never while an extraction or playback holds the drive.
TEST(MediaPoll, RereadsOnlyAFreeDriveWhoseMediumMayHaveChanged) {
  const struct {
    bool Busy, DiscOpen;
    int Changed;
    bool Rereads;
  } cases[] = {{true, false, 1, false}, {true, true, 1, false}, {false, false, 0, true},
               {false, true, 0, false}, {false, true, 1, true}, {false, true, -1, true}};
  for (const auto& c : cases)
    EXPECT_EQ(MediaPollRereads(c.Busy, c.DiscOpen, c.Changed), c.Rereads)
        << c.Busy << c.DiscOpen << c.Changed;
}
