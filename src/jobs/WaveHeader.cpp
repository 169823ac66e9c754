#include "jobs/WaveHeader.h"

#include <QIODevice>

namespace {
void Put32(QByteArray& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void Put16(QByteArray& out, uint16_t v) {
  out.append(static_cast<char>(v & 0xFF));
  out.append(static_cast<char>(v >> 8));
}
}  // namespace

QByteArray CdWaveHeader(uint32_t audioBytes) {
  QByteArray h;
  h.reserve(kWaveHeaderBytes);
  h.append("RIFF");
  Put32(h, audioBytes + 36);
  h.append("WAVEfmt ");
  Put32(h, 16);
  Put16(h, 1);  // PCM
  Put16(h, 2);
  Put32(h, 44100);
  Put32(h, 176400);
  Put16(h, 4);
  Put16(h, 16);
  h.append("data");
  Put32(h, audioBytes);
  return h;
}

bool WriteWaveHeader(QIODevice& stream, uint32_t audioBytes) {
  const QByteArray h = CdWaveHeader(audioBytes);
  return stream.write(h) == h.size();
}
