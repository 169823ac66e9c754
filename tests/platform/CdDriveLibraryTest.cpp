// The drive library over generated disc images: the drive list, handles,
// the table of contents in both addressings and byte-exact sector reads.
#include "CdImageFixture.h"
#include "platform/CdDriveLibrary.h"
#include "platform/CdParanoia.h"

#include <cdio/paranoia/paranoia.h>

#include <QFile>

#include <atomic>
#include <cstring>
#include <thread>

namespace {
CDList DriveList() {
  CDList list;
  std::memset(&list, 0, sizeof list);
  list.Capacity = kCDListCapacity;
  GetCDList(&list);
  return list;
}

CDHandleRequest RequestFor(const CDListEntry& entry) {
  CDHandleRequest request;
  std::memset(&request, 0, sizeof request);
  request.Size = 12;
  request.Version = 1;
  request.HostAdapter = entry.HostAdapter;
  request.Target = entry.Target;
  request.Lun = entry.Lun;
  return request;
}

int64_t LbaOf(const CDTOCEntry& e) {
  return static_cast<int64_t>(static_cast<uint32_t>(e.Address[0] | e.Address[1] << 8 |
                                                    e.Address[2] << 16 | e.Address[3] << 24));
}

class CdDriveLibrary : public TCdImageFixture {
 protected:
  void TearDown() override {
    for (int32_t h = 1; h <= kMaxCDHandles; ++h) CloseCDHandle(h);
    TCdImageFixture::TearDown();
  }

  int32_t OpenFirst() {
    CDList list = DriveList();
    EXPECT_GE(list.Count, 1);
    CDHandleRequest request = RequestFor(list.Entries[0]);
    return GetCDHandle(&request);
  }

  // Reads [first, first + count) with reads of `step` sectors.
  QByteArray ReadRange(int32_t handle, int64_t first, int64_t count, int step) {
    QByteArray all;
    TTrackBufferPtr buffer = NewTrackBuffer(step);
    for (int64_t lsn = first; lsn < first + count; lsn += step) {
      const int n = static_cast<int>(std::min<int64_t>(step, first + count - lsn));
      buffer->StartFrame = static_cast<uint32_t>(lsn);
      buffer->NumFrames = static_cast<uint32_t>(n);
      if (ReadCDAudioLBA(handle, buffer.get()) != 1) {
        ADD_FAILURE() << "read failed at " << lsn;
        return all;
      }
      EXPECT_EQ(buffer->Len, static_cast<uint32_t>(n * kRawSectorBytes));
      all.append(reinterpret_cast<const char*>(buffer->Data() + buffer->StartOffset), buffer->Len);
    }
    return all;
  }
};

TEST_F(CdDriveLibrary, NoImagesMeansNoDrive) {
  CDList list = DriveList();
  EXPECT_EQ(GetCDList(&list), 0);
  EXPECT_EQ(list.Count, 0);
  EXPECT_EQ(GetAspiLibError(), kCdErrNoDrive);
  CDHandleRequest request = RequestFor(list.Entries[0]);
  EXPECT_EQ(GetCDHandle(&request), 0);
}

TEST_F(CdDriveLibrary, ImagesAreVirtualDrivesSortedByName) {
  AddImage("Zulu", AudioDisc({2}));
  AddImage("alpha", AudioDisc({2}));
  AddImage("A very long image name indeed", AudioDisc({2}));
  QFile::copy(CuePath("Zulu"), DiscsFolder() + "/notes.txt");  // not a cue: ignored

  const CDList list = DriveList();
  ASSERT_EQ(list.Count, 3);
  EXPECT_STREQ(list.Entries[0].Vendor, "Virtual ");
  EXPECT_STREQ(list.Entries[0].Product, "A very long imag");  // 16 characters and the NUL
  EXPECT_STREQ(list.Entries[1].Product, "alpha");
  EXPECT_STREQ(list.Entries[2].Product, "Zulu");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(list.Entries[i].HostAdapter, 1);
    EXPECT_EQ(list.Entries[i].Target, i);
  }
}

// Inquiry data pads the vendor to 8 characters and the product follows it.
TEST(InquiryNames, VendorKeepsItsPaddingProductIsTrimmed) {
  struct Case {
    const char* Vendor;
    const char* Model;
    const char* WantVendor;
    const char* WantProduct;
  };
  const Case cases[] = {
      {"ACME    ", "DVD-RW 24X      ", "ACME    ", "DVD-RW 24X"},
      {"ACME", "DVD-RW 24X", "ACME    ", "DVD-RW 24X"},
      {"LONGVENDORNAME", "A PRODUCT NAME LONGER THAN 16", "LONGVEND", "A PRODUCT NAME L"},
      {"", "   ", "        ", "sr0"}};
  for (const Case& c : cases) {
    TCdDriveInfo drive;
    drive.Product = "sr0";
    SetInquiryNames(&drive, c.Vendor, c.Model);
    EXPECT_EQ(drive.Vendor, QByteArray(c.WantVendor)) << c.Vendor;
    EXPECT_EQ(drive.Product, QByteArray(c.WantProduct)) << c.Model;
  }
}

// Only a skip (retries exhausted, data unverified) leaves a sector
// suspicious; repairs and progress do not. Positions are 16-bit words.
TEST(ParanoiaEvents, OnlySkipsAreSuspicious) {
  EXPECT_EQ(ParanoiaSuspiciousSector(1176 * 40 + 5, PARANOIA_CB_SKIP), 40);
  EXPECT_EQ(ParanoiaSuspiciousSector(-1, PARANOIA_CB_SKIP), 0);
  for (const int event :
       {PARANOIA_CB_READ, PARANOIA_CB_VERIFY, PARANOIA_CB_FIXUP_EDGE, PARANOIA_CB_FIXUP_ATOM,
        PARANOIA_CB_FIXUP_DROPPED, PARANOIA_CB_FIXUP_DUPED, PARANOIA_CB_READERR, PARANOIA_CB_DRIFT})
    EXPECT_FALSE(ParanoiaSuspiciousSector(1176 * 40, event)) << event;
}

TEST_F(CdDriveLibrary, ListHonoursCapacityAndHoldsAtMostEight) {
  for (int i = 0; i < 10; ++i) AddImage(QString("disc%1").arg(i), AudioDisc({1}));
  CDList list = DriveList();
  EXPECT_EQ(list.Count, 8);
  std::memset(&list, 0, sizeof list);
  list.Capacity = 3;
  EXPECT_EQ(GetCDList(&list), 3);
  EXPECT_EQ(list.Entries[3].Product[0], '\0');
}

TEST_F(CdDriveLibrary, HandlesOneToTenThenNone) {
  AddImage("one", AudioDisc({1}));
  CDList list = DriveList();
  CDHandleRequest request = RequestFor(list.Entries[0]);
  for (int32_t expected = 1; expected <= kMaxCDHandles; ++expected)
    EXPECT_EQ(GetCDHandle(&request), expected);
  EXPECT_EQ(GetCDHandle(&request), 0);
  EXPECT_EQ(GetAspiLibError(), kCdErrNoHandleFree);

  EXPECT_NE(CloseCDHandle(4), 0);
  EXPECT_EQ(CloseCDHandle(4), 0);  // already closed
  EXPECT_EQ(GetAspiLibError(), kCdErrBadHandle);
  EXPECT_EQ(GetCDHandle(&request), 4);
  EXPECT_EQ(CloseCDHandle(0), 0);
  EXPECT_EQ(CloseCDHandle(11), 0);

  request.Size = 11;
  EXPECT_EQ(GetCDHandle(&request), 0);
  request = RequestFor(list.Entries[0]);
  request.Target = 5;  // no such drive
  EXPECT_EQ(GetCDHandle(&request), 0);
  EXPECT_EQ(GetAspiLibError(), kCdErrNoDrive);
}

TEST_F(CdDriveLibrary, TocInSectorsAndInMinutesSecondsFrames) {
  TDiscDescription disc = AudioDisc({10, 20});
  disc.Tracks.push_back(Track(TTrackContent::Tone, 1000, 150));
  disc.Tracks.push_back(Track(TTrackContent::Data, 700, 0));
  AddImage("extra", disc);
  const TDiscLayout layout = LayoutOf(disc);
  const int32_t h = OpenFirst();
  ASSERT_NE(h, 0);

  CDTOC toc;
  std::memset(&toc, 0xEE, sizeof toc);
  ASSERT_EQ(ReadTOC(h, &toc), 1);
  EXPECT_EQ(toc.FirstTrack, 1);
  EXPECT_EQ(toc.LastTrack, 4);
  EXPECT_EQ(toc.Length, 2 + 8 * 5);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(toc.Entries[k].TrackNumber, k + 1);
    EXPECT_EQ(LbaOf(toc.Entries[k]), layout.TrackStarts[k]) << "track " << k + 1;
    EXPECT_EQ((toc.Entries[k].AdrControl & 0x04) != 0, k == 3) << "data bit of " << k + 1;
  }
  EXPECT_EQ(toc.Entries[4].TrackNumber, kLeadOutTrack);
  EXPECT_EQ(LbaOf(toc.Entries[4]), layout.LeadOut);
  EXPECT_EQ(toc.Entries[5].TrackNumber, 0);  // zero after the lead-out

  ASSERT_NE(ModifyCDParms(h, kModifyMsfAddressing, 1), 0);
  ASSERT_EQ(ReadTOC(h, &toc), 1);
  for (int k = 0; k <= 4; ++k) {
    const int64_t absolute = (k < 4 ? layout.TrackStarts[k] : layout.LeadOut) + 150;
    const CDTOCEntry& e = toc.Entries[k];
    EXPECT_EQ(e.Address[0], 0);
    EXPECT_EQ(e.Address[1], absolute / 4500);
    EXPECT_EQ(e.Address[2], absolute / 75 % 60);
    EXPECT_EQ(e.Address[3], absolute % 75);
  }
  EXPECT_EQ(toc.Entries[0].Address[2], 2);  // track 1 at 00:02:00
  EXPECT_EQ(ModifyCDParms(h, 35, 1), 0);
  EXPECT_EQ(ModifyCDParms(99, kModifyMsfAddressing, 1), 0);
}

TEST_F(CdDriveLibrary, EverySectorReadsBackByteExact) {
  TDiscDescription disc;
  disc.Tracks.push_back(Track(TTrackContent::Ramp, 173));
  disc.Tracks.push_back(Track(TTrackContent::Noise, 96, 31));
  disc.Tracks.push_back(Track(TTrackContent::Tone, 150, 75));
  disc.Tracks.push_back(Track(TTrackContent::Silence, 20));
  disc.Tracks.push_back(Track(TTrackContent::Data, 40, 10));
  AddImage("exact", disc);
  const int64_t leadOut = LayoutOf(disc).LeadOut;
  const int32_t h = OpenFirst();
  ASSERT_NE(h, 0);

  QByteArray expected;
  for (int64_t lsn = 0; lsn < leadOut; ++lsn) expected += ImageSector(disc, lsn);
  QFile bin(DiscsFolder() + "/exact.bin");
  ASSERT_TRUE(bin.open(QIODevice::ReadOnly));
  ASSERT_EQ(bin.readAll(), expected);  // the generator wrote what it describes

  EXPECT_EQ(ReadRange(h, 0, leadOut, kMaxSectorsPerRead), expected);
  EXPECT_EQ(ReadRange(h, 0, leadOut, 7), expected);
  EXPECT_EQ(ReadRange(h, leadOut - 1, 1, 1), expected.right(kRawSectorBytes));
}

TEST_F(CdDriveLibrary, ReadsOutsideTheDiscFailWithoutTouchingMemory) {
  AddImage("short", AudioDisc({1}));  // 75 sectors
  const int32_t h = OpenFirst();
  ASSERT_NE(h, 0);
  // Room for 3 sectors and a guard area that must stay as it was.
  const size_t room = 3 * kRawSectorBytes;
  std::vector<uint8_t> memory(sizeof(TrackBuffer) + room + 4096, 0xA5);
  auto* buffer = reinterpret_cast<TrackBuffer*>(memory.data());
  auto guardIntact = [&] {
    for (size_t i = sizeof(TrackBuffer) + room; i < memory.size(); ++i)
      if (memory[i] != 0xA5) return false;
    return true;
  };
  auto attempt = [&](uint32_t first, uint32_t count, uint32_t maxLen) {
    buffer->StartFrame = first;
    buffer->NumFrames = count;
    buffer->MaxLen = maxLen;
    buffer->Len = 12345;
    return ReadCDAudioLBA(h, buffer);
  };

  EXPECT_EQ(attempt(73, 3, room), 0);  // crosses the lead-out
  EXPECT_EQ(buffer->Len, 0u);
  EXPECT_EQ(buffer->Status, static_cast<uint32_t>(kCdErrOutOfRange));
  EXPECT_EQ(GetAspiLibError(), kCdErrOutOfRange);
  EXPECT_EQ(attempt(75, 1, room), 0);  // at the lead-out
  EXPECT_EQ(attempt(0xFFFFFFF0u, 3, room), 0);
  EXPECT_EQ(attempt(0, 4, room), 0);  // more than the data area holds
  EXPECT_EQ(GetAspiLibError(), kCdErrBadArgument);
  EXPECT_EQ(attempt(0, 0, room), 0);
  EXPECT_EQ(attempt(0, 11, 11 * kRawSectorBytes), 0);  // more than ten sectors
  EXPECT_TRUE(guardIntact());

  EXPECT_EQ(attempt(72, 3, room), 1);  // the last three sectors
  EXPECT_EQ(buffer->Len, room);
  EXPECT_TRUE(guardIntact());
  EXPECT_EQ(ReadCDAudioLBA(h, nullptr), 0);
  EXPECT_EQ(ReadCDAudioLBA(42, buffer), 0);
}

TEST_F(CdDriveLibrary, ReplacedImageGivesTheNewTableAndSectors) {
  const TDiscDescription first = AudioDisc({2, 3});
  AddImage("swap", first);
  const int32_t h = OpenFirst();
  ASSERT_NE(h, 0);
  CDTOC toc;
  ASSERT_EQ(ReadTOC(h, &toc), 1);
  EXPECT_EQ(toc.LastTrack, 2);
  const QString before = CdMediaSignature(h);
  EXPECT_FALSE(before.isEmpty());

  TDiscDescription second = AudioDisc({1, 1, 1});
  second.Tracks[0].Content = TTrackContent::Noise;
  AddImage("swap", second);
  EXPECT_NE(CdMediaSignature(h), before);
  ASSERT_EQ(ReadTOC(h, &toc), 1);
  EXPECT_EQ(toc.LastTrack, 3);
  EXPECT_EQ(ReadRange(h, 0, 75, 10), [&] {
    QByteArray bytes;
    for (int lsn = 0; lsn < 75; ++lsn) bytes += ImageSector(second, lsn);
    return bytes;
  }());

  QFile::remove(CuePath("swap"));
  EXPECT_TRUE(CdMediaSignature(h).isEmpty());
  EXPECT_EQ(ReadTOC(h, &toc), 0);
  EXPECT_EQ(GetAspiLibError(), kCdErrNoMedia);
}

TEST_F(CdDriveLibrary, ReadsOnOneThreadWhileAnotherReadsTheTable) {
  const TDiscDescription disc = AudioDisc({8});
  AddImage("busy", disc);
  const int32_t h = OpenFirst();
  ASSERT_NE(h, 0);
  QByteArray expected;
  for (int lsn = 0; lsn < 600; ++lsn) expected += ImageSector(disc, lsn);

  std::atomic<bool> done{false};
  QByteArray read;
  std::thread reader([&] {
    read = ReadRange(h, 0, 600, 10);
    done = true;
  });
  int tables = 0;
  CDTOC toc;
  while (!done) {
    EXPECT_EQ(ReadTOC(h, &toc), 1);
    ++tables;
  }
  reader.join();
  EXPECT_EQ(read, expected);
  EXPECT_GT(tables, 0);
}

// Arguments the CDDB operations cannot use are refused before any request.
TEST_F(CdDriveLibrary, CddbOperationsRefuseWhatTheyCannotUse) {
  AddImage("q", AudioDisc({1}));
  const int32_t h = OpenFirst();
  EXPECT_EQ(CDDBSetOption(99, "x", 0), 0);
  EXPECT_EQ(GetAspiLibError(), kCdErrBadArgument);
  CDDBQueryItem items[kCDDBMaxMatches] = {};
  CDDBQueryRecord query{kCDDBMaxMatches, items};
  EXPECT_EQ(CDDBQuery(h + 1, &query), 0);
  EXPECT_EQ(GetAspiLibError(), kCdErrBadHandle);
  EXPECT_EQ(CDDBQuery(h, nullptr), 0);
  EXPECT_EQ(GetAspiLibError(), kCdErrBadArgument);
  char text[16] = "untouched";
  EXPECT_EQ(CDDBGetDiskInfo(nullptr, text, sizeof text), 0);
  EXPECT_EQ(GetAspiLibError(), kCdErrBadArgument);
}

TEST(CdTrackBuffer, NewBufferIsZeroedWithItsCapacity) {
  TTrackBufferPtr buffer = NewTrackBuffer(10);
  EXPECT_EQ(buffer->NumFrames, 10u);
  EXPECT_EQ(buffer->MaxLen, 10u * kRawSectorBytes);
  EXPECT_EQ(buffer->Len, 0u);
  for (uint32_t i = 0; i < buffer->MaxLen; ++i) ASSERT_EQ(buffer->Data()[i], 0);
  EXPECT_EQ(NewTrackBuffer(50)->NumFrames, 10u);
}
}  // namespace
