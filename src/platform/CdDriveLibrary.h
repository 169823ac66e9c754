#pragma once

// The CD drive library: drive list, drive handles, table of contents, raw
// audio sector reads and the CDDB query. Records are packed little-endian
// and zero-filled by the caller before use. Drives are the machine's optical
// drives (libcdio), then every *.cue image in the program folder's discs/
// subfolder, sorted by name. Every operation may be called from any thread;
// calls on one handle are serialised.

#include <cstdint>
#include <memory>
#include <vector>

#pragma pack(push, 1)

struct CDListEntry {
  uint8_t HostAdapter;
  uint8_t Target;
  uint8_t Lun;
  uint8_t Reserved[66];
  char Vendor[9];    // NUL-terminated
  char Product[17];  // NUL-terminated
  uint8_t Reserved2[26];
};

inline constexpr int kCDListCapacity = 8;

struct CDList {
  uint8_t Capacity;  // set to 8 by the caller
  uint8_t Count;     // drives found
  CDListEntry Entries[kCDListCapacity];
};

struct CDHandleRequest {
  uint8_t Size;     // 12
  uint8_t Version;  // 1
  uint8_t HostAdapter;
  uint8_t Target;
  uint8_t Lun;
  uint8_t ReadType;
  uint32_t JitterCorrection;
  uint8_t JitterFrames;
  uint8_t OverlapFrames;
};

// One table-of-contents entry. Address bytes 4..7: with minute-second-frame
// addressing byte 4 is 0 and bytes 5, 6, 7 are minutes, seconds, frames of
// the absolute time (sector 0 = 00:02:00); otherwise a little-endian 32-bit
// sector number.
struct CDTOCEntry {
  uint8_t Reserved;
  uint8_t AdrControl;   // ADR in the high nibble; control bit 0x04: data track
  uint8_t TrackNumber;  // 0xAA for the lead-out
  uint8_t Reserved2;
  uint8_t Address[4];
};

inline constexpr int kCDTOCEntries = 100;
inline constexpr uint8_t kLeadOutTrack = 0xAA;

struct CDTOC {
  uint16_t Length;  // bytes after this field: 2 + 8 per entry
  uint8_t FirstTrack;
  uint8_t LastTrack;
  CDTOCEntry Entries[kCDTOCEntries];  // first..last, then the lead-out
};

// Followed in memory by the data area of Capacity bytes.
struct TrackBuffer {
  uint32_t StartFrame;  // first sector; sector 0 is where track 1 starts
  uint32_t NumFrames;   // at most 10
  uint32_t MaxLen;      // capacity of the data area in bytes
  uint32_t Len;         // out: bytes of audio
  uint32_t Status;      // out: 0, or the error code
  int32_t StartOffset;  // out: where the audio starts in the data area

  uint8_t* Data() { return reinterpret_cast<uint8_t*>(this) + sizeof(TrackBuffer); }
  const uint8_t* Data() const {
    return reinterpret_cast<const uint8_t*>(this) + sizeof(TrackBuffer);
  }
};

// One CDDB match; the layout is the library's own.
struct CDDBQueryItem {
  char Category[12];
  char DiscId[9];
  uint8_t Exact;
  char Artist[85];
  char Title[85];
};

inline constexpr int kCDDBMaxMatches = 10;

struct CDDBQueryRecord {
  uint32_t Count;        // in: room in Items (10); out: matches found
  CDDBQueryItem* Items;  // kCDDBMaxMatches entries
};

#pragma pack(pop)

static_assert(sizeof(CDListEntry) == 121);
static_assert(sizeof(CDList) == 970);
static_assert(sizeof(CDHandleRequest) == 12);
static_assert(sizeof(CDTOCEntry) == 8);
static_assert(sizeof(CDTOC) == 804);
static_assert(sizeof(TrackBuffer) == 24);
static_assert(sizeof(CDDBQueryItem) == 192);

inline constexpr int kRawSectorBytes = 2352;
inline constexpr int kMaxSectorsPerRead = 10;
inline constexpr int kMaxCDHandles = 10;
inline constexpr int kModifyMsfAddressing = 36;
inline constexpr int kCDDBInfoBufferBytes = 32000;

// Error codes of GetAspiLibError and TrackBuffer::Status.
enum TCdLibError : int32_t {
  kCdOk = 0,
  kCdErrBadHandle = 1,
  kCdErrBadArgument = 2,
  kCdErrNoDrive = 3,
  kCdErrNoHandleFree = 4,
  kCdErrNoMedia = 5,
  kCdErrBadToc = 6,
  kCdErrOutOfRange = 7,
  kCdErrReadFailed = 8,
  kCdErrCddbUnavailable = 9,  // options missing or unusable (no server)
  kCdErrCddbNoMatch = 10,     // the server knows no such disc
  kCdErrCddbNetwork = 11,     // no connection, no answer in time, cut off
  kCdErrCddbServer = 12,      // an HTTP or CDDB error status
  kCdErrCddbReply = 13,       // a reply that is not the protocol's, or too large
};

// Fills Count and the entries (at most Capacity, and never more than 8);
// returns the count, 0 when there is no drive.
int32_t GetCDList(CDList* list);
// A handle 1..10 for the drive of the request, 0 on failure.
int32_t GetCDHandle(CDHandleRequest* request);
// Nonzero on success.
int32_t CloseCDHandle(int32_t handle);
// (handle, 36, 1) switches ReadTOC to minute-second-frame addresses, (36, 0)
// back to sector numbers. Nonzero on success.
int32_t ModifyCDParms(int32_t handle, int32_t parameter, uint32_t value);
// 1 on success; the table holds first and last track, one entry per track
// and the lead-out. Fails for a table that is not in ascending order.
int32_t ReadTOC(int32_t handle, CDTOC* toc);
// Reads NumFrames (1..10) raw sectors of 2352 bytes from StartFrame into the
// data area; 1 on success with Len and StartOffset set. Fails without
// touching more than MaxLen bytes of the data area for a range past the
// lead-out, a data area that is too small or an unreadable disc.
int32_t ReadCDAudioLBA(int32_t handle, TrackBuffer* buffer);

// The CDDB exchange over HTTP: options before each query (codes 0 server,
// 1 proxy address, 2 proxy on (number 1), 3 program "Name version", 4 user
// identity "user@host", 5 proxy port (number), 6 script, 8 reserved). Code 0
// starts a fresh set: every other option returns to its default, so a proxy
// set for an earlier query is off unless set again. CDDBQuery sends
// "cddb query" for the handle's disc and fills up to Count items (Count 0
// with 1 returned: no match); CDDBGetDiskInfo sends "cddb read" for one item
// and copies the entry, one key=value line per "\n", NUL-terminated, into
// text (whole lines only; comments are dropped first when it does not fit).
// 1 on success.
int32_t CDDBSetOption(int32_t code, const char* text, int32_t number);
int32_t CDDBQuery(int32_t handle, CDDBQueryRecord* query);
int32_t CDDBGetDiskInfo(const CDDBQueryItem* item, char* text, int32_t size);

// The code of the last failure of any operation above.
int32_t GetAspiLibError();

// How ReadCDAudioLBA reads on this handle from now on (beyond the library's
// ten operations): secure re-reads each range until the reads
// agree (platform/CdSecureRead.h); the offset in samples moves the audio
// returned, with silence beyond the disc's edges. Nonzero on success.
// A physical drive in secure mode reads through libcdio-paranoia.
int32_t CdSetReadMode(int32_t handle, bool secure, int32_t offsetSamples);
// Reads through libcdio-paranoia (on) or directly from now on, whatever the
// drive; CdSetReadMode chooses again. Nonzero on success.
int32_t CdSetParanoia(int32_t handle, bool on);
// The sectors (0 = where the first track starts) that paranoia could not
// verify since the last call, in the order read.
std::vector<int64_t> CdTakeSuspiciousSectors(int32_t handle);

// A zero-filled TrackBuffer with a data area for the given sectors, with
// NumFrames and MaxLen set.
struct TTrackBufferDeleter {
  void operator()(TrackBuffer* buffer) const;
};
using TTrackBufferPtr = std::unique_ptr<TrackBuffer, TTrackBufferDeleter>;
TTrackBufferPtr NewTrackBuffer(int sectors);
