#include "platform/CdDisc.h"

#include "platform/CdDriveLibrary.h"
#include "platform/CueSheetCheck.h"
#include "platform/UserFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringList>

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <sys/stat.h>

#include <algorithm>
#include <mutex>
#include <utility>

Q_LOGGING_CATEGORY(lcCdDisc, "trackwell.platform.disc")

namespace {
void SilentLog(cdio_log_level_t, const char*) {}
}  // namespace

void QuietCdioLogging() {
  static std::once_flag once;
  std::call_once(once, [] { cdio_log_set_handler(SilentLog); });
}

QString ImageBinPath(const QString& cuePath) {
  const QFileInfo cue(cuePath);
  return cue.path() + '/' + cue.completeBaseName() + ".bin";
}

TImagePaths::TImagePaths(const QString& cuePath)
    : Cue(QFile::encodeName(cuePath)), Bin(QFile::encodeName(ImageBinPath(cuePath))) {}

std::optional<TImageStamp> ImageStamp(const TImagePaths& paths) {
  struct stat cue {};
  struct stat bin {};
  if (::stat(paths.Cue.constData(), &cue) != 0 || !S_ISREG(cue.st_mode) ||
      ::stat(paths.Bin.constData(), &bin) != 0 || !S_ISREG(bin.st_mode))
    return std::nullopt;
  auto file = [](const struct stat& f) {
    return TImageStamp::TFile{f.st_size, f.st_mtim.tv_sec, f.st_mtim.tv_nsec};
  };
  return TImageStamp{file(cue), file(bin)};
}

QString ImageSignature(const QString& cuePath) {
  const std::optional<TImageStamp> stamp = ImageStamp(TImagePaths(cuePath));
  if (!stamp) return {};
  auto part = [](const TImageStamp::TFile& f) {
    return QString::asprintf("%lld:%lld.%09lld", static_cast<long long>(f.Size),
                             static_cast<long long>(f.Seconds),
                             static_cast<long long>(f.Nanoseconds));
  };
  return part(stamp->Cue) + '/' + part(stamp->Bin);
}

bool IsConsistentLayout(const TCdLayout& layout) {
  if (layout.FirstTrack < 1 || layout.LastTrack > 99 || layout.LastTrack < layout.FirstTrack)
    return false;
  if (static_cast<int>(layout.Tracks.size()) != layout.LastTrack - layout.FirstTrack + 1)
    return false;
  int64_t previous = -1;
  for (const TCdTrackInfo& track : layout.Tracks) {
    if (track.StartLsn <= previous) return false;
    previous = track.StartLsn;
  }
  return layout.LeadOutLsn > previous;
}

void TCdDisc::CdIoDeleter::operator()(void* p) const {
  if (p) cdio_destroy(static_cast<CdIo_t*>(p));
}

std::unique_ptr<TCdDisc> TCdDisc::Open(const QString& source, bool isImage, int32_t* error) {
  QuietCdioLogging();
  *error = kCdErrNoMedia;
  const QByteArray path = QFile::encodeName(source);
  int64_t binSectors = -1;
  if (isImage) {
    // libcdio reads the .bin named after the .cue whatever the FILE line says.
    const QFileInfo bin(ImageBinPath(source));
    if (!QFileInfo(source).isFile() || !bin.isFile()) return nullptr;
    const std::optional<QByteArray> cue = ReadRegularFile(source, kMaxCueSheetBytes);
    QString why = "not a readable regular file";
    if (!cue || !IsAudioCueSheet(*cue, &why)) {
      qCWarning(lcCdDisc) << source << "is not an audio disc image:" << why;
      return nullptr;
    }
    binSectors = bin.size() / kRawSectorBytes;
  }
  CdIo_t* p =
      isImage ? cdio_open_cue(path.constData()) : cdio_open(path.constData(), DRIVER_DEVICE);
  if (!p) return nullptr;
  std::unique_ptr<TCdDisc> disc(new TCdDisc);
  disc->cdio_.reset(p);
  disc->source_ = source;
  if (isImage) {
    disc->bin_.setFileName(ImageBinPath(source));
    if (!OpenRegularFile(disc->bin_, QIODevice::ReadOnly)) {
      *error = kCdErrNoMedia;
      return nullptr;
    }
  }
  disc->isImage_ = isImage;
  if (isImage) disc->SetDamagedSectors(ReadBadSectorList(source), ReadFlakySectorList(source));

  const track_t first = cdio_get_first_track_num(p);
  const track_t count = cdio_get_num_tracks(p);
  if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) return nullptr;
  *error = kCdErrBadToc;
  TCdLayout& layout = disc->layout_;
  layout.FirstTrack = first;
  layout.LastTrack = first + count - 1;
  if (layout.LastTrack > 99) return nullptr;
  for (int t = layout.FirstTrack; t <= layout.LastTrack; ++t) {
    const lsn_t lsn = cdio_get_track_lsn(p, static_cast<track_t>(t));
    if (lsn == CDIO_INVALID_LSN) return nullptr;
    layout.Tracks.push_back(
        {t, lsn, cdio_get_track_format(p, static_cast<track_t>(t)) == TRACK_FORMAT_AUDIO});
  }
  const lsn_t leadOut = cdio_get_track_lsn(p, CDIO_CDROM_LEADOUT_TRACK);
  if (leadOut == CDIO_INVALID_LSN) return nullptr;
  layout.LeadOutLsn = leadOut;
  if (!IsConsistentLayout(layout)) return nullptr;
  disc->readableEnd_ = layout.LeadOutLsn;
  if (binSectors >= 0 && binSectors < disc->readableEnd_) disc->readableEnd_ = binSectors;
  *error = kCdOk;
  return disc;
}

TCdDisc::~TCdDisc() = default;

int TCdDisc::MediaChanged() {
  if (isImage_) return 0;
  return cdio_get_media_changed(static_cast<CdIo_t*>(cdio_.get()));
}

bool TCdDisc::HasAudioTrack() const {
  for (const TCdTrackInfo& track : layout_.Tracks)
    if (track.IsAudio) return true;
  return false;
}

bool TCdDisc::ReadSectors(int64_t lsn, int count, uint8_t* out, int32_t* error) {
  // libcdio may report success for a read past the end and leave the buffer
  // as it was, so the range is checked here.
  if (count < 1 || lsn < 0 || lsn + count > readableEnd_) {
    *error = kCdErrOutOfRange;
    return false;
  }
  // An image can shrink while it is open (a copy still being written, a file
  // cut short); libcdio then returns short data as success.
  struct stat bin {};
  if (isImage_ &&
      (::fstat(bin_.handle(), &bin) != 0 || lsn + count > bin.st_size / kRawSectorBytes)) {
    *error = kCdErrReadFailed;
    return false;
  }
  for (const auto& [first, last] : badSectors_) {
    if (lsn <= last && lsn + count - 1 >= first) {
      *error = kCdErrReadFailed;
      return false;
    }
  }
  if (paranoiaOn_ && paranoia_) {
    if (!paranoia_->Read(lsn, count, out, &suspicious_)) {
      *error = kCdErrReadFailed;
      return false;
    }
    *error = kCdOk;
    return true;
  }
  auto* p = static_cast<CdIo_t*>(cdio_.get());
  if (cdio_read_audio_sectors(p, out, static_cast<lsn_t>(lsn), static_cast<uint32_t>(count)) !=
      DRIVER_OP_SUCCESS) {
    *error = kCdErrReadFailed;
    return false;
  }
  for (const auto& [first, last] : flakySectors_) {
    for (int64_t s = std::max(first, lsn); s <= std::min(last, lsn + count - 1); ++s) {
      const int reads = ++flakyReads_[s];
      if (reads % 2 == 0) continue;
      uint8_t* sector = out + (s - lsn) * kRawSectorBytes;
      const auto garble = static_cast<uint8_t>(reads * 2 + 1);  // odd: never 0
      for (int i = 0; i < kRawSectorBytes; ++i) sector[i] ^= garble;
    }
  }
  *error = kCdOk;
  return true;
}

void TCdDisc::UseParanoia(bool on) {
  paranoiaOn_ = on;
  if (on && !paranoia_ && !paranoiaTried_) {
    paranoiaTried_ = true;
    paranoia_ = TCdParanoia::Open(cdio_.get());
  }
}

namespace {

// The ranges sorted, overlapping ones joined.
std::vector<std::pair<int64_t, int64_t>> Joined(std::vector<std::pair<int64_t, int64_t>> ranges) {
  std::sort(ranges.begin(), ranges.end());
  std::vector<std::pair<int64_t, int64_t>> joined;
  for (const auto& range : ranges) {
    if (!joined.empty() && range.first <= joined.back().second) {
      joined.back().second = std::max(joined.back().second, range.second);
    } else {
      joined.push_back(range);
    }
  }
  return joined;
}

}  // namespace

void TCdDisc::SetDamagedSectors(std::vector<std::pair<int64_t, int64_t>> bad,
                                std::vector<std::pair<int64_t, int64_t>> flaky) {
  badSectors_ = std::move(bad);
  // A sector in two ranges is still one sector: garbled once per read, or
  // two garblings could cancel out and make every read agree on wrong data.
  flakySectors_ = Joined(std::move(flaky));
  flakyReads_.clear();
}

std::vector<int64_t> TCdDisc::TakeSuspiciousSectors() { return std::exchange(suspicious_, {}); }

std::vector<std::pair<int64_t, int64_t>> ReadBadSectorList(const QString& cuePath) {
  return ReadSectorList(cuePath, ".bad");
}

std::vector<std::pair<int64_t, int64_t>> ReadFlakySectorList(const QString& cuePath) {
  return ReadSectorList(cuePath, ".flaky");
}

std::vector<std::pair<int64_t, int64_t>> ReadSectorList(const QString& cuePath,
                                                        const char* suffix) {
  std::vector<std::pair<int64_t, int64_t>> ranges;
  QString path = cuePath;
  if (path.endsWith(".cue", Qt::CaseInsensitive)) path.chop(4);
  QFile file(path + QString::fromLatin1(suffix));
  if (!OpenRegularFile(file, QIODevice::ReadOnly)) return ranges;
  return ParseSectorList(file);
}

std::vector<std::pair<int64_t, int64_t>> ParseSectorList(QIODevice& list) {
  std::vector<std::pair<int64_t, int64_t>> ranges;
  // A few ranges at most; a huge file is not a list.
  while (!list.atEnd() && ranges.size() < kMaxSectorListRanges) {
    const QString line = QString::fromUtf8(list.readLine(256)).trimmed();
    const QStringList parts = line.split('-');
    if (parts.size() > 2) continue;
    bool ok1 = false, ok2 = false;
    const qlonglong first = parts[0].trimmed().toLongLong(&ok1);
    const qlonglong last = parts.size() == 2 ? parts[1].trimmed().toLongLong(&ok2) : first;
    if (!ok1 || (parts.size() == 2 && !ok2) || first < 0 || last < first) continue;
    ranges.emplace_back(first, last);
  }
  return ranges;
}
