#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cmath>
#include <cstdint>

// Test input: a 16-bit PCM WAV file with the 44-byte header, holding a sine
// tone (a different pitch per channel) of the given length.
inline bool WriteSineWav(const QString& path, int sampleRate, int channels, double seconds) {
  const uint32_t frames = static_cast<uint32_t>(sampleRate * seconds);
  const uint32_t dataBytes = frames * static_cast<uint32_t>(channels) * 2;
  QByteArray bytes;
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.append(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  auto u16 = [&](uint16_t v) {
    bytes.append(static_cast<char>(v & 0xFF));
    bytes.append(static_cast<char>(v >> 8));
  };
  bytes.append("RIFF");
  u32(36 + dataBytes);
  bytes.append("WAVEfmt ");
  u32(16);
  u16(1);
  u16(static_cast<uint16_t>(channels));
  u32(static_cast<uint32_t>(sampleRate));
  u32(static_cast<uint32_t>(sampleRate * channels * 2));
  u16(static_cast<uint16_t>(channels * 2));
  u16(16);
  bytes.append("data");
  u32(dataBytes);
  bytes.reserve(bytes.size() + static_cast<qsizetype>(dataBytes));
  for (uint32_t i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      const double hz = 440.0 * (c + 1);
      const auto s = static_cast<int16_t>(12000.0 * std::sin(2.0 * M_PI * hz * i / sampleRate));
      u16(static_cast<uint16_t>(s));
    }
  }
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  return f.write(bytes) == bytes.size();
}

// "key=value" lines of ffprobe about the file's audio stream and tags.
inline QString Probe(const QString& path) {
  QProcess p;
  p.start(QStringLiteral("ffprobe"),
          {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
           QStringLiteral("stream=codec_name,sample_rate,channels,bit_rate:format_tags=artist,"
                          "comment"),
           QStringLiteral("-of"), QStringLiteral("default=nw=1"), path});
  if (!p.waitForFinished(30000)) return QString();
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The value of one "key=value" line of Probe's text (first match).
inline QString ProbeValue(const QString& probe, const QString& key) {
  for (const QString& line : probe.split(QLatin1Char('\n'))) {
    if (line.startsWith(key + QLatin1Char('='))) return line.mid(key.size() + 1);
  }
  return QString();
}
