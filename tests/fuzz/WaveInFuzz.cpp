#include "FuzzTargets.h"

#include "acs/ACSWave.h"
#include "acs/WaveHeader.h"

#include <QBuffer>

#include <algorithm>
#include <vector>

namespace {

// The most PCM bytes whole ADPCM blocks of the given size can hold: a 4-bit
// code per sample, at most one more sample per channel in the block header.
int64_t BlockBytes(int64_t blockAlign, int channels) { return (2 * blockAlign + 2 * channels) * 2; }

struct TPromise {
  TWaveHeader Header;
  int64_t DataBytes = 0;  // of the data chunk, as far as the file holds it
  int64_t Bytes = -1;     // most PCM its data can give; -1: only the decoder knows
};

TPromise Promise(const QByteArray& bytes) {
  QBuffer probe;
  probe.setData(bytes);
  probe.open(QIODevice::ReadOnly);
  TPromise p;
  p.Header = ParseWaveHeader(probe);
  const TWaveHeader& h = p.Header;
  p.DataBytes = std::min<int64_t>(h.DataSize, std::max<int64_t>(0, bytes.size() - h.DataOffset));
  if (h.Type == wtPCM) p.Bytes = p.DataBytes;
  if ((h.Type == wtDVIADPCM || h.Type == wtMSADPCM) && h.BlockAlign > 0)
    p.Bytes =
        (p.DataBytes + h.BlockAlign - 1) / h.BlockAlign * BlockBytes(h.BlockAlign, h.Channels);
  return p;
}

}  // namespace

// Whatever the header says, the reader never delivers more PCM than it
// announced in Size (ADPCM: rounded up to a whole block), nor more than the
// data chunk holds.
int FuzzWaveIn(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  TWaveIn in;
  in.SetStream(&buffer);
  if (!in.Valid()) return 0;
  const TPromise promise = Promise(bytes);
  const bool adpcm = promise.Header.Type == wtDVIADPCM || promise.Header.Type == wtMSADPCM;
  // ADPCM decodes whole blocks, as the other decoders do: the last one may
  // run past a fact count by less than a block.
  const int64_t slack = adpcm ? BlockBytes(promise.Header.BlockAlign, promise.Header.Channels) : 0;
  std::vector<uint8_t> chunk(4099);
  int64_t total = 0;
  try {
    in.Init();
    const int64_t announced = in.Size();
    FUZZ_CHECK(announced >= 0);
    FUZZ_CHECK(in.Channels() == 1 || in.Channels() == 2);
    FUZZ_CHECK(in.BitsPerSample() == 8 || in.BitsPerSample() == 16);
    for (int32_t n; (n = in.GetData(chunk.data(), int32_t(chunk.size()))) > 0;) {
      FUZZ_CHECK(n <= int32_t(chunk.size()));
      total += n;
      FUZZ_CHECK(total <= announced + slack);
      if (promise.Bytes >= 0) FUZZ_CHECK(total <= promise.Bytes);
    }
    in.Flush();
  } catch (const EACSException&) {
    return 0;  // refused with a message: fine
  }
  FUZZ_CHECK(buffer.isOpen());
  return 0;
}
