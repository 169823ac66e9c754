#pragma once

// The RIFF WAVE container: the header parse shared by the reader and the
// writer's append mode, and the two header layouts the writer produces.

#include <QByteArray>
#include <QIODevice>

#include <cstdint>
#include <functional>

enum TWavType : uint8_t {
  wtUnsupported = 0,
  wtPCM = 1,
  wtDVIADPCM = 2,
  wtMSADPCM = 3,
  wtACM = 4,
};

// "Unsupported", "Raw PCM", ... for display.
const char* WavTypeName(TWavType type);

inline constexpr int kMaxMsCoefficients = 32;
// The header parse gives up after this many bytes without a data chunk.
inline constexpr int64_t kWaveHeaderLimit = 8192;

struct TWaveHeader {
  TWavType Type = wtUnsupported;
  uint16_t FormatTag = 0;
  uint16_t Channels = 0;
  uint32_t SampleRate = 0;
  uint16_t BlockAlign = 0;
  uint16_t BitsPerSample = 0;
  uint16_t SamplesPerBlock = 0;
  // Count as found in the file (may exceed the table); pairs past
  // kMaxMsCoefficients are not read.
  uint16_t NumCoefficients = 0;
  int16_t Coefficients[kMaxMsCoefficients][2] = {};
  // A fact chunk of at least 4 bytes came before the data (ADPCM only).
  bool HasFact = false;
  uint32_t FactSamples = 0;
  int64_t FactOffset = -1;  // stream offset of the fact sample count
  uint32_t DataSize = 0;
  int64_t DataSizeOffset = -1;  // stream offset of the data size field
  int64_t DataOffset = 0;       // stream offset of the first data byte
};

// Parses a header from the stream's current position (normally 0). The
// chunks are walked as RIFF lays them out (an odd-sized chunk is followed by
// a pad byte); a file the walk cannot follow (bytes before "RIFF", an odd
// chunk without its pad byte) is read by a byte-sliding search for "RIFF"
// and "WAVE" and a walk without pad bytes. Letter case is ignored; the data
// chunk must begin within kWaveHeaderLimit bytes. Skipped chunks are seeked
// over, never buffered. On success the stream is left at the first data
// byte and the result's Type is not wtUnsupported; on failure Type is
// wtUnsupported.
TWaveHeader ParseWaveHeader(QIODevice& stream);

// One chunk met by WalkRiffChunks.
struct TRiffChunk {
  uint8_t Id[4];
  uint32_t Size;
  int64_t BodyOffset;  // stream offset of the first body byte
};

enum class TRiffStep { Next, Stop, Fail };

// Walks the chunks of a RIFF WAVE stream whose "RIFF" is at the current
// position, as RIFF lays them out, calling visit for each. Returns true when
// visit stopped the walk; false when visit failed it or the layout broke
// first: no "RIFF" and "WAVE" (letter case ignored when asked), an id that
// is not printable, a chunk that does not fit in the stream (only the one
// visit stops at may be cut short), or a chunk header ending more than
// headerLimit bytes from the start.
// visit may read from the stream; the walk seeks on by itself.
bool WalkRiffChunks(QIODevice& stream, int64_t headerLimit, bool ignoreCase,
                    const std::function<TRiffStep(const TRiffChunk&)>& visit);

// Ids equal byte by byte, or differing by exactly 32 (letter case).
bool SameRiffId(const uint8_t* a, const char* b);

// The 44-byte PCM header.
QByteArray PcmWaveHeader(int channels, int sampleRate, int bitsPerSample, uint32_t dataSize);

// IMA ADPCM samples per block of blockSize bytes: (2 div ch) x (B - 4ch) + 1.
int ImaHeaderSamplesPerBlock(int blockSize, int channels);

// The 60-byte IMA ADPCM header for n samples per channel.
QByteArray ImaWaveHeader(int channels, int sampleRate, int blockSize, uint32_t samplesPerChannel);

void PutLE16(uint8_t* p, uint16_t v);
void PutLE32(uint8_t* p, uint32_t v);
uint16_t GetLE16(const uint8_t* p);
uint32_t GetLE32(const uint8_t* p);
