#pragma once

// One opened disc (a drive's medium or a .cue image) over libcdio, with its
// table of contents checked once at open. Not thread-safe; the drive
// library serialises the calls on one handle.

#include "platform/CdParanoia.h"

#include <QFile>
#include <QIODevice>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct TCdTrackInfo {
  int Number = 0;
  int64_t StartLsn = 0;  // sector 0 = 00:02:00 absolute
  bool IsAudio = true;
};

struct TCdLayout {
  int FirstTrack = 0;
  int LastTrack = 0;
  std::vector<TCdTrackInfo> Tracks;  // FirstTrack..LastTrack
  int64_t LeadOutLsn = 0;
};

// Installs a silent libcdio log handler once per process.
void QuietCdioLogging();

// For an image, the .bin libcdio reads: the .cue's base name with ".bin".
QString ImageBinPath(const QString& cuePath);

// Size and modification time of the image's .cue and .bin; empty when
// either is missing. Cheap: two stats.
QString ImageSignature(const QString& cuePath);

// The same facts as numbers, for the check before every read of a rip:
// two stats of paths encoded once, no text made.
struct TImageStamp {
  struct TFile {
    int64_t Size = 0, Seconds = 0, Nanoseconds = 0;
    bool operator==(const TFile&) const = default;
  };
  TFile Cue, Bin;
  bool operator==(const TImageStamp&) const = default;
};
struct TImagePaths {
  explicit TImagePaths(const QString& cuePath);
  QByteArray Cue, Bin;  // native encodings
};
std::optional<TImageStamp> ImageStamp(const TImagePaths& paths);

class TCdDisc {
 public:
  // Opens the source (a device path, or a .cue when isImage) and reads its
  // table of contents. Null with *error set (TCdLibError) when there is no
  // readable disc or the table is inconsistent.
  static std::unique_ptr<TCdDisc> Open(const QString& source, bool isImage, int32_t* error);
  ~TCdDisc();
  TCdDisc(const TCdDisc&) = delete;
  TCdDisc& operator=(const TCdDisc&) = delete;

  const TCdLayout& Layout() const { return layout_; }
  bool HasAudioTrack() const;
  // Sectors 0 .. ReadableEnd() - 1 can be read: the lead-out, or less when
  // an image's .bin is shorter.
  int64_t ReadableEnd() const { return readableEnd_; }
  // Asks the drive whether its medium changed since the last question, a
  // cheap query that does not spin the disc up: 1 changed, 0 not, negative
  // when the drive cannot tell.
  int MediaChanged();

  // Reads count raw 2352-byte sectors from lsn into out (room for
  // count * 2352 bytes). The range is checked first.
  bool ReadSectors(int64_t lsn, int count, uint8_t* out, int32_t* error);

  // Reads through paranoia from now on, or directly. Paranoia starts on
  // first use; where it cannot use the drive, reads stay direct. A .bad or
  // .flaky list applies to direct reads only.
  void UseParanoia(bool on);
  bool ReadsThroughParanoia() const { return paranoiaOn_ && paranoia_; }
  // The sectors paranoia could not verify since the last call.
  std::vector<int64_t> TakeSuspiciousSectors();

  // Makes sectors of an image read as a scratched or a dirty disc would:
  // bad ones fail, flaky ones read wrong every other time, counted afresh
  // from now on. Open sets them from the image's .bad and .flaky lists.
  void SetDamagedSectors(std::vector<std::pair<int64_t, int64_t>> bad,
                         std::vector<std::pair<int64_t, int64_t>> flaky);

 private:
  TCdDisc() = default;
  struct CdIoDeleter {
    void operator()(void* p) const;
  };
  std::unique_ptr<void, CdIoDeleter> cdio_;
  QString source_;
  // An image's .bin, open for the size check before every read: a stat of
  // the open file needs no path lookup. A file put in its place is caught
  // before the read (the handle reopens the disc when the image changed).
  QFile bin_;
  bool isImage_ = false;
  TCdLayout layout_;
  int64_t readableEnd_ = 0;
  // Unreadable sector ranges [first, last] of an image, from "<name>.bad".
  std::vector<std::pair<int64_t, int64_t>> badSectors_;
  // Sectors of an image, from "<name>.flaky", that read wrong every other
  // time, and how often each was read.
  std::vector<std::pair<int64_t, int64_t>> flakySectors_;
  std::map<int64_t, int> flakyReads_;
  // Declared after cdio_, so it closes before the libcdio handle it reads.
  std::unique_ptr<TCdParanoia> paranoia_;
  bool paranoiaOn_ = false;
  bool paranoiaTried_ = false;
  std::vector<int64_t> suspicious_;
};

// The sector ranges listed in "<name><suffix>" beside an image's .cue.
std::vector<std::pair<int64_t, int64_t>> ReadSectorList(const QString& cuePath, const char* suffix);

// The ranges of a list in that form read from the device's position to its
// end, in the order listed, each with 0 <= first <= last; lines are read
// 255 bytes at a time, and at most kMaxSectorListRanges ranges are taken.
inline constexpr size_t kMaxSectorListRanges = 10000;
std::vector<std::pair<int64_t, int64_t>> ParseSectorList(QIODevice& list);

// An image may come with "<name>.bad" beside its .cue: one range of
// unreadable sectors per line, "first-last" or a single sector number, as a
// scratched disc would have. Other lines are ignored.
std::vector<std::pair<int64_t, int64_t>> ReadBadSectorList(const QString& cuePath);

// "<name>.flaky", in the same form: sectors that return other data on the
// 1st, 3rd, 5th... read of each (a different garbling every time) and their
// true data on the others, as a dirty disc in a wobbly drive would.
std::vector<std::pair<int64_t, int64_t>> ReadFlakySectorList(const QString& cuePath);

// Checks a table of contents: tracks 1..99 in order, ascending starts from
// sector 0 on, a lead-out after the last start.
bool IsConsistentLayout(const TCdLayout& layout);
