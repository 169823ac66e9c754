#include "jobs/WaveHeader.h"

#include "acs/WaveHeader.h"

#include <QIODevice>

QByteArray CdWaveHeader(uint32_t audioBytes) { return PcmWaveHeader(2, 44100, 16, audioBytes); }

bool WriteWaveHeader(QIODevice& stream, uint32_t audioBytes) {
  const QByteArray h = CdWaveHeader(audioBytes);
  return stream.write(h) == h.size();
}
