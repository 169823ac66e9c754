#include "platform/CdSecureRead.h"

#include "platform/CdDriveLibrary.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

Q_LOGGING_CATEGORY(lcSecureRead, "trackwell.platform.secureread")

namespace {

constexpr int64_t kSamplesPerSector = kRawSectorBytes / 4;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// One read of the range, moved by the offset.
bool ReadShifted(TCdDisc& disc, int64_t lsn, int count, int32_t offset, uint8_t* out,
                 int32_t* error) {
  if (offset == 0) return disc.ReadSectors(lsn, count, out, error);
  const int64_t startSample = lsn * kSamplesPerSector + offset;
  const int64_t first = FloorDiv(startSample, kSamplesPerSector);
  const int64_t shift = startSample - first * kSamplesPerSector;
  const int64_t need = count + (shift != 0 ? 1 : 0);
  std::vector<uint8_t> span(static_cast<size_t>(need) * kRawSectorBytes, 0);
  const int64_t from = std::max<int64_t>(first, 0);
  const int64_t to = std::min<int64_t>(first + need, disc.ReadableEnd());
  if (from < to && !disc.ReadSectors(from, static_cast<int>(to - from),
                                     span.data() + (from - first) * kRawSectorBytes, error))
    return false;
  std::memcpy(out, span.data() + shift * 4, static_cast<size_t>(count) * kRawSectorBytes);
  *error = kCdOk;
  return true;
}

}  // namespace

bool ReadAudioRange(TCdDisc& disc, int64_t lsn, int count, const TCdReadMode& mode, uint8_t* out,
                    int32_t* error, int* reads) {
  int made = 0;
  auto done = [&](bool ok) {
    if (reads) *reads = made;
    return ok;
  };
  if (count < 1 || lsn < 0 || lsn + count > disc.ReadableEnd()) {
    *error = kCdErrOutOfRange;
    return done(false);
  }
  disc.UseParanoia(mode.Paranoia);
  const size_t bytes = static_cast<size_t>(count) * kRawSectorBytes;
  ++made;
  if (!ReadShifted(disc, lsn, count, mode.OffsetSamples, out, error)) return done(false);
  if (!mode.Secure) return done(true);
  // Each distinct result and how many reads gave it.
  std::vector<std::pair<std::vector<uint8_t>, int>> versions;
  versions.emplace_back(std::vector<uint8_t>(out, out + bytes), 1);
  std::vector<uint8_t> again(bytes);
  while (made < kSecureMaxReads) {
    ++made;
    if (!ReadShifted(disc, lsn, count, mode.OffsetSamples, again.data(), error)) return done(false);
    auto it = std::find_if(versions.begin(), versions.end(),
                           [&](const auto& v) { return v.first == again; });
    if (it == versions.end()) {
      versions.emplace_back(again, 1);
      continue;
    }
    ++it->second;
    // Two reads that agree at once settle it; after a disagreement it takes
    // kSecureAgreeing.
    if ((made == 2 && it->second == 2) || it->second >= kSecureAgreeing) {
      std::memcpy(out, it->first.data(), bytes);
      if (made > 2)
        qCWarning(lcSecureRead) << "sectors" << lsn << "to" << lsn + count - 1 << "took" << made
                                << "reads";
      return done(true);
    }
  }
  qCWarning(lcSecureRead) << "sectors" << lsn << "to" << lsn + count - 1 << "never read the same"
                          << kSecureAgreeing << "times in" << kSecureMaxReads << "reads";
  *error = kCdErrReadFailed;
  return done(false);
}
