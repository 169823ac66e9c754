#include "FuzzTargets.h"

#include "DiscImage.h"
#include "platform/CdDisc.h"
#include "platform/CdDriveLibrary.h"
#include "platform/CdSecureRead.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using TRanges = std::vector<std::pair<int64_t, int64_t>>;

constexpr int64_t kSectorSamples = kRawSectorBytes / 4;
constexpr uint8_t kGuard = 0xA5;
constexpr size_t kGuardBytes = 64;

// A two-track image written once per process: a ramp, whose every sample
// differs from its neighbours', then noise after a silent gap.
struct TImage {
  QTemporaryDir Dir;
  std::unique_ptr<TCdDisc> Disc;
  QByteArray Bytes;  // every sector of the image in order

  TImage() {
    TDiscDescription description;
    description.Tracks = {{30, 0, TTrackContent::Ramp}, {20, 2, TTrackContent::Noise, 440, 0.5, 7}};
    const QString cue = Dir.filePath(QStringLiteral("fuzz.cue"));
    QString error;
    if (!Dir.isValid() || !WriteDiscImage(description, cue, &error)) FuzzFail("no disc image");
    int32_t code = 0;
    Disc = TCdDisc::Open(cue, true, &code);
    if (!Disc) FuzzFail("the disc image does not open");
    const int64_t leadOut = LayoutOf(description).LeadOut;
    if (Disc->ReadableEnd() != leadOut) FuzzFail("the disc image reads short");
    for (int64_t lsn = 0; lsn < leadOut; ++lsn) Bytes += ImageSector(description, lsn);
  }
};

TImage& Image() {
  static TImage image;
  return image;
}

TRanges Parse(const QByteArray& text) {
  QBuffer buffer;
  buffer.setData(text);
  buffer.open(QIODevice::ReadOnly);
  const TRanges ranges = ParseSectorList(buffer);
  FUZZ_CHECK(ranges.size() <= kMaxSectorListRanges);
  for (const auto& [first, last] : ranges) FUZZ_CHECK(first >= 0 && first <= last);
  return ranges;
}

bool Touches(const TRanges& ranges, int64_t from, int64_t to) {  // [from, to)
  return std::any_of(ranges.begin(), ranges.end(),
                     [&](const auto& r) { return r.first < to && r.second >= from; });
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

struct TRequest {
  int64_t Lsn;
  int Count;
  TCdReadMode Mode;
};

// One read through the drive library's range reader, checked against the
// image: what it reports done lies on the disc, touches no bad sector,
// stays inside its buffer and holds the image's samples (moved by the
// offset, silence beyond the disc), flaky sectors excepted unless read
// securely; what fails says why with one of the reader's codes.
void CheckRead(const TImage& image, const TRanges& bad, const TRanges& flaky, const TRequest& r) {
  const size_t bytes = size_t(std::max(r.Count, 0)) * kRawSectorBytes;
  std::vector<uint8_t> out(bytes + kGuardBytes, kGuard);
  int32_t error = -1;
  int reads = -1;
  const bool done = ReadAudioRange(*image.Disc, r.Lsn, r.Count, r.Mode, out.data(), &error, &reads);
  FUZZ_CHECK(
      std::all_of(out.begin() + long(bytes), out.end(), [](uint8_t b) { return b == kGuard; }));
  const int64_t end = image.Disc->ReadableEnd();
  const bool inRange = r.Count >= 1 && r.Lsn >= 0 && r.Lsn + r.Count <= end;
  // The sectors the reader must read for it, the offset's neighbour included.
  const int64_t startSample = r.Lsn * kSectorSamples + r.Mode.OffsetSamples;
  const int64_t first = FloorDiv(startSample, kSectorSamples);
  const int64_t need = r.Count + (startSample != first * kSectorSamples ? 1 : 0);
  const int64_t from = std::max<int64_t>(first, 0), to = std::min(first + need, end);
  const bool touchesBad = from < to && Touches(bad, from, to);
  const bool touchesFlaky = from < to && Touches(flaky, from, to);
  FUZZ_CHECK(reads >= 0 && reads <= kSecureMaxReads);
  if (!done) {
    FUZZ_CHECK(error == kCdErrOutOfRange || error == kCdErrReadFailed);
    FUZZ_CHECK((error == kCdErrOutOfRange) == !inRange);
    if (error == kCdErrReadFailed) FUZZ_CHECK(touchesBad || (r.Mode.Secure && touchesFlaky));
    return;
  }
  FUZZ_CHECK(error == kCdOk && inRange && !touchesBad);
  FUZZ_CHECK(reads >= 1 && (r.Mode.Secure || reads == 1));
  for (int64_t i = 0; i < r.Count * kSectorSamples; ++i) {
    const int64_t g = startSample + i;
    const int64_t sector = FloorDiv(g, kSectorSamples);
    if (!r.Mode.Secure && Touches(flaky, sector, sector + 1)) continue;
    const bool onDisc = sector >= 0 && sector < end;
    const uint8_t* got = out.data() + i * 4;
    if (onDisc) {
      FUZZ_CHECK(std::memcmp(got, image.Bytes.constData() + g * 4, 4) == 0);
    } else {
      FUZZ_CHECK(got[0] == 0 && got[1] == 0 && got[2] == 0 && got[3] == 0);
    }
  }
}

}  // namespace

// Input: a count of read requests (low 3 bits of the first byte), that
// many requests of 5 bytes (sector, sector count, mode bit 0 secure,
// offset in samples as 16 bits), then the text of a .bad list, a NUL and
// the text of a .flaky list. The lists are set on the image and the
// requests read from it.
int FuzzDiscImage(const uint8_t* data, size_t size) {
  TImage& image = Image();
  const size_t requests = size ? data[0] & 7 : 0;
  size_t at = size ? 1 : 0;
  std::vector<TRequest> reads;
  for (size_t n = 0; n < requests && at + 5 <= size; ++n, at += 5) {
    TRequest r{};
    r.Lsn = int8_t(data[at]);
    r.Count = int8_t(data[at + 1]) % 16;
    r.Mode.Secure = (data[at + 2] & 1) != 0;
    r.Mode.OffsetSamples = int16_t(uint16_t(data[at + 3] | data[at + 4] << 8));
    reads.push_back(r);
  }
  const QByteArray text(reinterpret_cast<const char*>(data + at), qsizetype(size - at));
  const qsizetype nul = text.indexOf('\0');
  const TRanges bad = Parse(nul < 0 ? text : text.left(nul));
  const TRanges flaky = nul < 0 ? TRanges() : Parse(text.mid(nul + 1));
  image.Disc->SetDamagedSectors(bad, flaky);
  for (const TRequest& r : reads) CheckRead(image, bad, flaky, r);
  // Every listed bad sector on the disc fails to read alone.
  for (const auto& [first, last] : bad) {
    if (first >= image.Disc->ReadableEnd()) continue;
    uint8_t sector[kRawSectorBytes];
    int32_t error = kCdOk;
    FUZZ_CHECK(!ReadAudioRange(*image.Disc, first, 1, {}, sector, &error));
    FUZZ_CHECK(error == kCdErrReadFailed);
  }
  return 0;
}
