#include "acs/WaveHeader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

void PutLE16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

void PutLE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

uint16_t GetLE16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

uint32_t GetLE32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

const char* WavTypeName(TWavType type) {
  switch (type) {
    case wtPCM:
      return "Raw PCM";
    case wtDVIADPCM:
      return "DVI IMA ADPCM";
    case wtMSADPCM:
      return "Microsoft ADPCM";
    case wtACM:
      return "ACM";
    default:
      return "Unsupported";
  }
}

bool SameRiffId(const uint8_t* a, const char* b) {
  for (int i = 0; i < 4; ++i) {
    const int d = int(a[i]) - int(uint8_t(b[i]));
    if (d != 0 && d != 32 && d != -32) return false;
  }
  return true;
}

bool WalkRiffChunks(QIODevice& stream, int64_t headerLimit, bool ignoreCase,
                    const std::function<TRiffStep(const TRiffChunk&)>& visit) {
  auto same = [ignoreCase](const uint8_t* a, const char* b) {
    return ignoreCase ? SameRiffId(a, b) : std::memcmp(a, b, 4) == 0;
  };
  const int64_t start = stream.pos();
  const int64_t end = stream.size();
  uint8_t head[12];
  if (stream.read(reinterpret_cast<char*>(head), 12) != 12 || !same(head, "RIFF") ||
      !same(head + 8, "WAVE"))
    return false;
  int64_t pos = start + 12;
  while (pos + 8 <= end && pos + 8 - start <= headerLimit) {
    uint8_t h[8];
    if (!stream.seek(pos) || stream.read(reinterpret_cast<char*>(h), 8) != 8) return false;
    TRiffChunk chunk;
    std::memcpy(chunk.Id, h, 4);
    chunk.Size = GetLE32(h + 4);
    chunk.BodyOffset = pos + 8;
    // Anything else is not a chunk id: the walk has lost its way.
    for (uint8_t c : chunk.Id)
      if (c < 0x20 || c > 0x7E) return false;
    switch (visit(chunk)) {
      case TRiffStep::Stop:
        return true;
      case TRiffStep::Fail:
        return false;
      case TRiffStep::Next:
        break;
    }
    if (chunk.BodyOffset + int64_t(chunk.Size) > end) return false;
    pos = chunk.BodyOffset + int64_t(chunk.Size) + (chunk.Size & 1);
  }
  return false;
}

namespace {

// Takes the format from a fmt chunk body; false for a format tag that is
// not read.
bool TakeFormat(QByteArray body, TWaveHeader& h) {
  const int64_t fmtSize = body.size();
  // Fields the chunk is too short to hold stay 0.
  body.append(QByteArray(22, 0));
  const auto* f = reinterpret_cast<const uint8_t*>(body.constData());
  h.FormatTag = GetLE16(f);
  h.Channels = GetLE16(f + 2);
  h.SampleRate = GetLE32(f + 4);
  h.BlockAlign = GetLE16(f + 12);
  h.BitsPerSample = GetLE16(f + 14);
  switch (h.FormatTag) {
    case 1:
      h.Type = wtPCM;
      break;
    case 2:
      h.Type = wtMSADPCM;
      break;
    case 0x11:
      h.Type = wtDVIADPCM;
      break;
    case 0x55:
      h.Type = wtACM;
      break;
    default:
      h.Type = wtUnsupported;
      return false;
  }
  if (h.Type == wtDVIADPCM || h.Type == wtMSADPCM) h.SamplesPerBlock = GetLE16(f + 18);
  if (h.Type == wtMSADPCM) {
    h.NumCoefficients = GetLE16(f + 20);
    const int64_t available = (fmtSize - 22) / 4;
    const int64_t n = std::min<int64_t>({h.NumCoefficients, kMaxMsCoefficients, available});
    for (int i = 0; i < n; ++i) {
      h.Coefficients[i][0] = int16_t(GetLE16(f + 22 + 4 * i));
      h.Coefficients[i][1] = int16_t(GetLE16(f + 24 + 4 * i));
    }
  }
  return true;
}

bool IsAdpcm(const TWaveHeader& h) { return h.Type == wtDVIADPCM || h.Type == wtMSADPCM; }

// The header of a file laid out as RIFF says: chunk by chunk from "RIFF" at
// the start, odd sizes padded.
bool ReadLaidOut(QIODevice& s, TWaveHeader& h) {
  const int64_t end = s.size();
  bool haveFmt = false;
  const bool found = WalkRiffChunks(s, kWaveHeaderLimit, true, [&](const TRiffChunk& c) {
    if (SameRiffId(c.Id, "fmt ") && !haveFmt) {
      if (int64_t(c.Size) > kWaveHeaderLimit || c.BodyOffset + int64_t(c.Size) > end)
        return TRiffStep::Fail;
      const QByteArray body = s.read(c.Size);
      if (body.size() != int64_t(c.Size) || !TakeFormat(body, h)) return TRiffStep::Fail;
      haveFmt = true;
    } else if (SameRiffId(c.Id, "fact") && !h.HasFact && c.Size >= 4) {
      uint8_t count[4];
      if (s.read(reinterpret_cast<char*>(count), 4) != 4) return TRiffStep::Fail;
      h.HasFact = true;
      h.FactSamples = GetLE32(count);
      h.FactOffset = c.BodyOffset;
    } else if (SameRiffId(c.Id, "data")) {
      if (!haveFmt || !s.seek(c.BodyOffset)) return TRiffStep::Fail;
      h.DataSizeOffset = c.BodyOffset - 4;
      h.DataSize = c.Size;
      h.DataOffset = c.BodyOffset;
      return TRiffStep::Stop;
    }
    return TRiffStep::Next;
  });
  if (found && !IsAdpcm(h)) {
    h.HasFact = false;
    h.FactSamples = 0;
    h.FactOffset = -1;
  }
  return found;
}

class Parser {
 public:
  explicit Parser(QIODevice& s) : s_(s), size_(s.size()) {}

  TWaveHeader Run() {
    TWaveHeader h;
    if (!Parse(h)) h.Type = wtUnsupported;
    return h;
  }

 private:
  // One step: reads exactly n bytes, then checks the end of the stream and
  // the byte limit.
  bool Read(uint8_t* buf, int n, bool last = false) {
    if (s_.read(reinterpret_cast<char*>(buf), n) != n) return false;
    consumed_ += n;
    return last || StillGood();
  }
  bool Skip(uint32_t n) {
    if (int64_t(n) > kWaveHeaderLimit - consumed_) return false;
    if (!s_.seek(s_.pos() + n)) return false;
    consumed_ += n;
    return StillGood();
  }
  bool StillGood() const { return s_.pos() < size_ && consumed_ < kWaveHeaderLimit; }
  bool ReadU32(uint32_t& v) {
    uint8_t b[4];
    if (!Read(b, 4)) return false;
    v = GetLE32(b);
    return true;
  }
  bool SlideTo(const char* id) {
    uint8_t w[4];
    if (!Read(w, 4)) return false;
    while (!SameRiffId(w, id)) {
      std::memmove(w, w + 1, 3);
      if (!Read(w + 3, 1)) return false;
    }
    return true;
  }
  bool SkipChunk(uint8_t* id) {
    uint32_t size;
    return ReadU32(size) && Skip(size) && Read(id, 4);
  }

  bool Parse(TWaveHeader& h) {
    uint8_t id[4];
    uint32_t riffSize;
    if (!SlideTo("RIFF") || !ReadU32(riffSize)) return false;
    if (!SlideTo("WAVE") || !Read(id, 4)) return false;
    // fmt
    while (!SameRiffId(id, "fmt ")) {
      if (!SkipChunk(id)) return false;
    }
    uint32_t fmtSize;
    if (!ReadU32(fmtSize)) return false;
    if (int64_t(fmtSize) > kWaveHeaderLimit - consumed_) return false;
    QByteArray body(int(fmtSize), 0);
    if (fmtSize > 0 && !Read(reinterpret_cast<uint8_t*>(body.data()), int(fmtSize))) return false;
    if (!TakeFormat(body, h)) return false;
    if (!Read(id, 4)) return false;
    // fact: ADPCM only, and optional (without it the data size counts)
    if (IsAdpcm(h)) {
      while (!SameRiffId(id, "fact") && !SameRiffId(id, "data")) {
        if (!SkipChunk(id)) return false;
      }
      if (SameRiffId(id, "fact")) {
        uint32_t factSize;
        if (!ReadU32(factSize)) return false;
        if (factSize >= 4) {
          h.HasFact = true;
          h.FactOffset = s_.pos();
          uint8_t count[4];
          if (!Read(count, 4)) return false;
          h.FactSamples = GetLE32(count);
          if (!Skip(factSize - 4)) return false;
        } else if (!Skip(factSize)) {
          return false;
        }
        if (!Read(id, 4)) return false;
      }
    }
    // data
    while (!SameRiffId(id, "data")) {
      if (!SkipChunk(id)) return false;
    }
    h.DataSizeOffset = s_.pos();
    uint8_t size[4];
    if (!Read(size, 4, true)) return false;
    h.DataSize = GetLE32(size);
    h.DataOffset = consumed_;
    return true;
  }

  QIODevice& s_;
  int64_t size_;
  int64_t consumed_ = 0;
};

}  // namespace

TWaveHeader ParseWaveHeader(QIODevice& stream) {
  const int64_t start = stream.pos();
  TWaveHeader h;
  if (ReadLaidOut(stream, h)) return h;
  // Not laid out as RIFF says: bytes before "RIFF", an odd chunk without its
  // pad byte, ... The sliding search reads what it can of those.
  if (!stream.seek(start)) return TWaveHeader{};
  return Parser(stream).Run();
}

QByteArray PcmWaveHeader(int channels, int sampleRate, int bitsPerSample, uint32_t dataSize) {
  QByteArray h(44, 0);
  auto* p = reinterpret_cast<uint8_t*>(h.data());
  const uint16_t blockAlign = uint16_t(bitsPerSample * channels / 8);
  std::memcpy(p, "RIFF", 4);
  PutLE32(p + 4, dataSize + 36);
  std::memcpy(p + 8, "WAVEfmt ", 8);
  PutLE32(p + 16, 16);
  PutLE16(p + 20, 1);
  PutLE16(p + 22, uint16_t(channels));
  PutLE32(p + 24, uint32_t(sampleRate));
  PutLE32(p + 28, uint32_t(sampleRate) * blockAlign);
  PutLE16(p + 32, blockAlign);
  PutLE16(p + 34, uint16_t(bitsPerSample));
  std::memcpy(p + 36, "data", 4);
  PutLE32(p + 40, dataSize);
  return h;
}

int ImaHeaderSamplesPerBlock(int blockSize, int channels) {
  if (channels <= 0) return 0;
  return (2 / channels) * (blockSize - 4 * channels) + 1;
}

QByteArray ImaWaveHeader(int channels, int sampleRate, int blockSize, uint32_t samplesPerChannel) {
  QByteArray h(60, 0);
  auto* p = reinterpret_cast<uint8_t*>(h.data());
  const int spb = ImaHeaderSamplesPerBlock(blockSize, channels);
  const uint32_t blocks = spb > 0 ? uint32_t(std::nearbyint(double(samplesPerChannel) / spb)) : 0;
  const uint32_t dataSize = blocks * uint32_t(blockSize);
  std::memcpy(p, "RIFF", 4);
  PutLE32(p + 4, dataSize + 52);
  std::memcpy(p + 8, "WAVEfmt ", 8);
  PutLE32(p + 16, 20);
  PutLE16(p + 20, 0x11);
  PutLE16(p + 22, uint16_t(channels));
  PutLE32(p + 24, uint32_t(sampleRate));
  PutLE32(p + 28, spb > 0 ? uint32_t(sampleRate / spb) * uint32_t(blockSize) : 0);
  PutLE16(p + 32, uint16_t(blockSize));
  PutLE16(p + 34, 4);
  PutLE16(p + 36, 2);
  PutLE16(p + 38, uint16_t(spb));
  std::memcpy(p + 40, "fact", 4);
  PutLE32(p + 44, 4);
  PutLE32(p + 48, samplesPerChannel);
  std::memcpy(p + 52, "data", 4);
  PutLE32(p + 56, dataSize);
  return h;
}
