#pragma once

#include <QByteArray>

#include <cstdint>

class QIODevice;

inline constexpr int kWaveHeaderBytes = 44;

// The 44-byte header of a 16-bit stereo 44100 Hz PCM WAV file holding
// audioBytes of samples.
QByteArray CdWaveHeader(uint32_t audioBytes);

// Writes that header at the device's current position; false when the
// device took fewer bytes.
bool WriteWaveHeader(QIODevice& stream, uint32_t audioBytes);
