#include "acs/WaveHeader.h"

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

namespace {

// Bytes are equal or differ by exactly 32 (letter case).
bool SameId(const uint8_t* a, const char* b) {
  for (int i = 0; i < 4; ++i) {
    const int d = int(a[i]) - int(uint8_t(b[i]));
    if (d != 0 && d != 32 && d != -32) return false;
  }
  return true;
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
    while (!SameId(w, id)) {
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
    while (!SameId(id, "fmt ")) {
      if (!SkipChunk(id)) return false;
    }
    uint32_t fmtSize;
    if (!ReadU32(fmtSize)) return false;
    if (int64_t(fmtSize) > kWaveHeaderLimit - consumed_) return false;
    QByteArray body(int(fmtSize), 0);
    if (fmtSize > 0 && !Read(reinterpret_cast<uint8_t*>(body.data()), int(fmtSize))) return false;
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
        return false;
    }
    if (h.Type == wtDVIADPCM || h.Type == wtMSADPCM) h.SamplesPerBlock = GetLE16(f + 18);
    if (h.Type == wtMSADPCM) {
      h.NumCoefficients = GetLE16(f + 20);
      const int64_t available = (int64_t(fmtSize) - 22) / 4;
      const int64_t n = std::min<int64_t>({h.NumCoefficients, kMaxMsCoefficients, available});
      for (int i = 0; i < n; ++i) {
        h.Coefficients[i][0] = int16_t(GetLE16(f + 22 + 4 * i));
        h.Coefficients[i][1] = int16_t(GetLE16(f + 24 + 4 * i));
      }
    }
    if (!Read(id, 4)) return false;
    // fact
    if (h.Type == wtDVIADPCM || h.Type == wtMSADPCM) {
      while (!SameId(id, "fact")) {
        if (!SkipChunk(id)) return false;
      }
      uint32_t factSize;
      if (!ReadU32(factSize)) return false;
      h.HasFact = true;
      h.FactOffset = s_.pos();
      if (factSize >= 4) {
        uint8_t count[4];
        if (!Read(count, 4)) return false;
        h.FactSamples = GetLE32(count);
        if (!Skip(factSize - 4)) return false;
      } else if (!Skip(factSize)) {
        return false;
      }
      if (!Read(id, 4)) return false;
    }
    // data
    while (!SameId(id, "data")) {
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

TWaveHeader ParseWaveHeader(QIODevice& stream) { return Parser(stream).Run(); }

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
