#include "FuzzTargets.h"

#include "acs/ACSWave.h"
#include "acs/WaveConverter.h"
#include "acs/WaveHeader.h"

#include <QBuffer>

#include <vector>

namespace {

// The PCM WAV the converter writes after at bytes already in the target,
// read back through the header parse and the reader: same format, a data
// chunk of exactly the content, the bytes before it untouched.
void CheckWrittenBack(TWaveConverter& converter, int channels, uint32_t rate, int at) {
  const QByteArray pcm = converter.buffer();
  const qint64 keep = pcm.size() / 2;
  FUZZ_CHECK(converter.seek(keep));
  const QByteArray before(at, 'x');
  QBuffer target;
  target.open(QIODevice::ReadWrite);
  FUZZ_CHECK(target.write(before) == at);
  FUZZ_CHECK(converter.WriteWaveStream(target) == 0);
  FUZZ_CHECK(converter.pos() == keep);
  FUZZ_CHECK(target.pos() == target.size());
  FUZZ_CHECK(target.data().left(at) == before);
  QBuffer out;
  out.setData(target.data().mid(at));
  out.open(QIODevice::ReadOnly);
  const QByteArray& file = out.data();
  FUZZ_CHECK(file.size() == 44 + pcm.size());
  FUZZ_CHECK(GetLE32(reinterpret_cast<const uint8_t*>(file.constData()) + 4) ==
             uint32_t(file.size() - 8));
  FUZZ_CHECK(file.mid(44) == pcm);

  FUZZ_CHECK(out.seek(0));
  const TWaveHeader h = ParseWaveHeader(out);
  FUZZ_CHECK(h.Type == wtPCM && h.FormatTag == 1);
  FUZZ_CHECK(h.Channels == channels && h.SampleRate == rate && h.BitsPerSample == 16);
  FUZZ_CHECK(h.BlockAlign == channels * 2);
  FUZZ_CHECK(h.DataOffset == 44 && h.DataSize == uint32_t(pcm.size()));

  FUZZ_CHECK(out.seek(0));
  TWaveIn in;
  in.SetStream(&out);
  FUZZ_CHECK(in.Valid());
  in.Init();
  FUZZ_CHECK(in.Size() == pcm.size());
  FUZZ_CHECK(in.Channels() == channels && in.BitsPerSample() == 16);
  QByteArray read;
  std::vector<uint8_t> chunk(4099);
  for (int32_t n; (n = in.GetData(chunk.data(), int32_t(chunk.size()))) > 0;)
    read.append(reinterpret_cast<const char*>(chunk.data()), n);
  in.Flush();
  FUZZ_CHECK(read == pcm);
}

}  // namespace

// The input is a WAV file, read as the reader reads one whose format tag is
// 0x55. A decode either fails leaving the content as it was, or leaves
// 16-bit PCM of 1 or 2 channels in whole sample frames, described by
// SourceFormat, which writes out as a WAV that reads back the same.
int FuzzMpegWave(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  QBuffer file;
  file.setData(bytes);
  file.open(QIODevice::ReadOnly);
  TWaveConverter converter;
  converter.ReadWaveFile(file);
  FUZZ_CHECK(converter.pos() == 0);
  FUZZ_CHECK(converter.buffer().size() <= bytes.size());
  const QByteArray before = converter.buffer();
  const auto formatBefore = converter.SourceFormat;

  PutLE16(converter.DesiredFormat.data(), 1);
  const int suggested =
      TWaveConverter::SuggestFormat(converter.SourceFormat.data(), converter.DesiredFormat.data());
  FUZZ_CHECK(suggested == 0 || suggested == kAcmErrNotPossible);
  if (suggested == 0) {
    const uint8_t* d = converter.DesiredFormat.data();
    FUZZ_CHECK(GetLE16(d) == 1 && GetLE16(d + 14) == 16);
    FUZZ_CHECK(GetLE16(d + 2) == GetLE16(converter.SourceFormat.data() + 2));
  }
  const int result = converter.ConvertFormat();
  if (result != 0) {
    FUZZ_CHECK(result == kAcmErrNotPossible);
    FUZZ_CHECK(converter.buffer() == before);
    FUZZ_CHECK(converter.SourceFormat == formatBefore);
    return 0;
  }
  FUZZ_CHECK(GetLE16(formatBefore.data()) == 0x55);
  const uint8_t* f = converter.SourceFormat.data();
  const int channels = GetLE16(f + 2);
  const uint32_t rate = GetLE32(f + 4);
  FUZZ_CHECK(GetLE16(f) == 1 && GetLE16(f + 14) == 16);
  FUZZ_CHECK(channels == 1 || channels == 2);
  FUZZ_CHECK(rate >= 8000 && rate <= 48000);
  FUZZ_CHECK(GetLE16(f + 12) == channels * 2 && GetLE32(f + 8) == rate * uint32_t(channels) * 2);
  FUZZ_CHECK(converter.pos() == 0);
  FUZZ_CHECK(!converter.buffer().isEmpty());
  FUZZ_CHECK(converter.buffer().size() % (channels * 2) == 0);
  CheckWrittenBack(converter, channels, rate, int(size % 5));
  return 0;
}
