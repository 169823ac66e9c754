#include "acs/WaveConverter.h"

#include "acs/WaveHeader.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

TWaveConverter::TWaveConverter() : FormatSize(129) { open(QIODevice::ReadWrite); }

namespace {

// Loads format and data of a file laid out as RIFF says. Ids are matched
// exactly, as by the scan.
bool ReadLaidOut(QIODevice& stream, std::array<uint8_t, 129>& format, QByteArray& data) {
  const int64_t size = stream.size();
  bool haveFmt = false;
  auto visit = [&](const TRiffChunk& c) {
    // A length past the end of the file reads what is there.
    const int64_t want = std::min<int64_t>(c.Size, size - c.BodyOffset);
    if (std::memcmp(c.Id, "fmt ", 4) == 0 && !haveFmt) {
      const QByteArray body = stream.read(std::min<int64_t>(want, format.size()));
      format.fill(0);
      std::memcpy(format.data(), body.constData(), size_t(body.size()));
      haveFmt = true;
    } else if (std::memcmp(c.Id, "data", 4) == 0) {
      if (!haveFmt) return TRiffStep::Fail;
      data = c.Size > 0 ? stream.read(want) : QByteArray();
      return TRiffStep::Stop;
    }
    return TRiffStep::Next;
  };
  return WalkRiffChunks(stream, std::numeric_limits<int64_t>::max(), false, visit);
}

}  // namespace

void TWaveConverter::ReadWaveFile(QIODevice& stream) {
  const int64_t start = stream.pos();
  std::array<uint8_t, 129> format{};
  QByteArray data;
  if (ReadLaidOut(stream, format, data)) {
    SourceFormat = format;
    buffer() = data;
    seek(0);
    return;
  }
  // Not laid out as RIFF says (an odd chunk without its pad byte, ...): the
  // scan below finds the ids wherever they are.
  if (!stream.seek(start)) return;
  uint8_t head[12];
  if (stream.read(reinterpret_cast<char*>(head), 12) != 12) return;
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return;
  const int64_t size = stream.size();
  int64_t p = 12;
  // Looks for the ids at every byte offset, jumping over the body of each
  // recognised chunk but its last 7 bytes.
  while (p < size - 1) {
    p -= 7;
    if (!stream.seek(p)) break;
    uint8_t chunk[8];
    const int64_t got = stream.read(reinterpret_cast<char*>(chunk), 8);
    if (got <= 0) break;
    p += got;
    if (got < 8) continue;
    const uint32_t length = GetLE32(chunk + 4);
    // A length past the end of the file reads what is there.
    const int64_t want = std::min<int64_t>(length, size - p);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      const QByteArray body = stream.read(want);
      p += body.size();
      SourceFormat.fill(0);
      std::memcpy(SourceFormat.data(), body.constData(),
                  std::min<size_t>(size_t(body.size()), SourceFormat.size()));
    } else if (std::memcmp(chunk, "fact", 4) == 0) {
      p += stream.read(want).size();
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (length > 0) {
        const QByteArray body = stream.read(want);
        p += body.size();
        buffer() = body;
      }
    }
  }
  seek(0);
}

int TWaveConverter::SuggestFormat(const uint8_t* source, uint8_t* desired) {
  const uint16_t tag = GetLE16(source);
  const uint16_t channels = GetLE16(source + 2);
  const uint32_t rate = GetLE32(source + 4);
  if (tag != 0x55 || GetLE16(desired) != 1 || channels < 1 || channels > 2 || rate == 0)
    return kAcmErrNotPossible;
  PutLE16(desired + 2, channels);
  PutLE32(desired + 4, rate);
  PutLE32(desired + 8, rate * channels * 2);
  PutLE16(desired + 12, uint16_t(channels * 2));
  PutLE16(desired + 14, 16);
  PutLE16(desired + 16, 0);
  return 0;
}

namespace {

struct Mpg123Deleter {
  void operator()(mpg123_handle* h) const {
    mpg123_close(h);
    mpg123_delete(h);
  }
};

}  // namespace

int TWaveConverter::ConvertFormat() {
  if (GetLE16(SourceFormat.data()) != 0x55 || GetLE16(DesiredFormat.data()) != 1)
    return kAcmErrNotPossible;
  int err = MPG123_OK;
  std::unique_ptr<mpg123_handle, Mpg123Deleter> h(mpg123_new(nullptr, &err));
  if (!h) return kAcmErrNotPossible;
  mpg123_param(h.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  // Every rate and channel count, always signed 16-bit.
  mpg123_format_none(h.get());
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t i = 0; i < count; ++i)
    mpg123_format(h.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  if (mpg123_open_feed(h.get()) != MPG123_OK) return kAcmErrNotPossible;

  const QByteArray& in = buffer();
  QByteArray out;
  long rate = 0;
  int channels = 0, encoding = 0;
  std::unique_ptr<unsigned char[]> chunk(new unsigned char[65536]);
  size_t done = 0;
  int ret = mpg123_feed(h.get(), reinterpret_cast<const unsigned char*>(in.constData()),
                        size_t(in.size()));
  if (ret != MPG123_OK) return kAcmErrNotPossible;
  while (true) {
    ret = mpg123_read(h.get(), chunk.get(), 65536, &done);
    if (ret == MPG123_NEW_FORMAT) {
      mpg123_getformat(h.get(), &rate, &channels, &encoding);
      continue;
    }
    out.append(reinterpret_cast<const char*>(chunk.get()), qsizetype(done));
    if (ret == MPG123_NEED_MORE || ret == MPG123_DONE) break;
    if (ret != MPG123_OK) return kAcmErrNotPossible;
  }
  if (rate <= 0 || channels < 1 || out.isEmpty()) return kAcmErrNotPossible;
  // The record describes what was really decoded.
  PutLE16(DesiredFormat.data() + 2, uint16_t(channels));
  PutLE32(DesiredFormat.data() + 4, uint32_t(rate));
  PutLE32(DesiredFormat.data() + 8, uint32_t(rate) * uint32_t(channels) * 2);
  PutLE16(DesiredFormat.data() + 12, uint16_t(channels * 2));
  PutLE16(DesiredFormat.data() + 14, 16);
  std::memcpy(SourceFormat.data(), DesiredFormat.data(), FormatSize);
  buffer() = out;
  seek(0);
  return 0;
}

int TWaveConverter::WriteWaveStream(QIODevice& target) {
  const qint64 keep = pos();
  const qint64 start = target.pos();
  const QByteArray& content = buffer();
  QByteArray head(44, 0);
  auto* p = reinterpret_cast<uint8_t*>(head.data());
  std::memcpy(p, "RIFF", 4);
  std::memcpy(p + 8, "WAVEfmt ", 8);
  PutLE32(p + 16, 16);
  std::memcpy(p + 20, SourceFormat.data(), 16);
  std::memcpy(p + 36, "data", 4);
  PutLE32(p + 40, uint32_t(content.size()));
  bool ok = target.write(head) == head.size() && target.write(content) == content.size();
  if (ok) {
    // The stream begins where the target stood, not at its first byte.
    const qint64 end = target.pos();
    uint8_t riff[4];
    PutLE32(riff, uint32_t(end - start - 8));
    ok = target.seek(start + 4) && target.write(reinterpret_cast<const char*>(riff), 4) == 4 &&
         target.seek(end);
  }
  seek(keep);
  return ok ? 0 : kWriteWaveStreamFailed;
}
