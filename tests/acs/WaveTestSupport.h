#pragma once

// Builders for WAV files in tests, generated signals, and running the peer
// tools (ffmpeg, sox) on them.

#include "acs/ACSWave.h"
#include "acs/WaveHeader.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cmath>
#include <cstring>
#include <vector>

inline QByteArray Le16(uint16_t v) {
  QByteArray b(2, 0);
  PutLE16(reinterpret_cast<uint8_t*>(b.data()), v);
  return b;
}

inline QByteArray Le32(uint32_t v) {
  QByteArray b(4, 0);
  PutLE32(reinterpret_cast<uint8_t*>(b.data()), v);
  return b;
}

inline QByteArray Chunk(const QByteArray& id, const QByteArray& body) {
  return id + Le32(uint32_t(body.size())) + body;
}

inline QByteArray FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign,
                          uint16_t bits) {
  return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * blockAlign) + Le16(blockAlign) +
         Le16(bits);
}

inline QByteArray RiffWave(const QByteArray& chunks) {
  return "RIFF" + Le32(uint32_t(chunks.size() + 4)) + "WAVE" + chunks;
}

// Interleaved 16-bit samples: a sine per channel (other frequency right),
// amplitude in 0..1.
inline std::vector<int16_t> Sine(int frames, int channels, int rate = 44100, double amp = 0.5) {
  std::vector<int16_t> s(size_t(frames) * channels);
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      s[size_t(i) * channels + c] =
          int16_t(std::lround(amp * 32767 * std::sin(2 * M_PI * (440.0 + 220 * c) * i / rate)));
  return s;
}

inline QByteArray SampleBytes(const std::vector<int16_t>& s) {
  QByteArray b(int(s.size() * 2), 0);
  for (size_t i = 0; i < s.size(); ++i)
    PutLE16(reinterpret_cast<uint8_t*>(b.data()) + 2 * i, uint16_t(s[i]));
  return b;
}

inline QByteArray PcmFile(const QByteArray& data, int channels, int rate, int bits) {
  return PcmWaveHeader(channels, rate, bits, uint32_t(data.size())) + data;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a tool to the end; true when it exited with 0.
inline bool RunTool(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(120000)) return false;
  if (out) *out = p.readAllStandardOutput();
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

inline bool HaveTool(const QString& program) {
  return !QStandardPaths::findExecutable(program).isEmpty();
}

// The raw 16-bit little-endian PCM ffmpeg decodes a file to.
inline QByteArray FfmpegDecode(const QString& path) {
  QByteArray out;
  RunTool("ffmpeg", {"-v", "error", "-i", path, "-f", "s16le", "-acodec", "pcm_s16le", "-"}, &out);
  return out;
}

// The raw 16-bit little-endian PCM sox decodes a file to.
inline QByteArray SoxDecode(const QString& path) {
  QByteArray out;
  RunTool("sox", {path, "-t", "raw", "-e", "signed-integer", "-b", "16", "-"}, &out);
  return out;
}

// The largest difference between two 16-bit sample streams.
inline int LargestDifference(const QByteArray& a, const QByteArray& b) {
  const int n = int(std::min(a.size(), b.size()) / 2);
  const auto* p = reinterpret_cast<const uint8_t*>(a.constData());
  const auto* q = reinterpret_cast<const uint8_t*>(b.constData());
  int worst = 0;
  for (int i = 0; i < n; ++i)
    worst = std::max(worst, std::abs(int16_t(GetLE16(p + 2 * i)) - int16_t(GetLE16(q + 2 * i))));
  return worst;
}

// Everything a TWaveIn delivers from Init to the end.
inline QByteArray ReadAll(TWaveIn& in, int chunk = 5000) {
  QByteArray all;
  std::vector<uint8_t> buf(static_cast<size_t>(chunk));
  in.Init();
  for (int32_t n; (n = in.GetData(buf.data(), chunk)) > 0;)
    all.append(reinterpret_cast<const char*>(buf.data()), n);
  in.Flush();
  return all;
}

// Index of the first 16-bit sample where a and b differ, -1 when equal.
inline int FirstDifference(const QByteArray& a, const QByteArray& b) {
  const int n = int(std::min(a.size(), b.size()) / 2);
  for (int i = 0; i < n; ++i)
    if (a[2 * i] != b[2 * i] || a[2 * i + 1] != b[2 * i + 1]) return i;
  return a.size() == b.size() ? -1 : n;
}
