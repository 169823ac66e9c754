#include "jobs/Normalizer.h"

#include "jobs/ProgressTimes.h"
#include "platform/WindowMessages.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdio>

namespace {

QString NorPath(const QString& path) {
  const QFileInfo info(path);
  return info.dir().filePath(info.completeBaseName() + ".nor");
}

void PostProgress(QObject* window, int64_t processed, int64_t total, const QElapsedTimer& clock) {
  TProcessInfo info;
  info.Code = total > 0 ? int32_t(processed * 100 / total) : 0;
  const TProgressTimes times = FormatProgressTimes(clock.elapsed() / 1000.0, info.Code);
  info.Elapsed = times.Elapsed;
  info.Estimated = times.Estimated;
  if (window) PostProcessInfo(window, info);
}

}  // namespace

bool NormalizeFile(const QString& path, int percent, QObject* window) {
  if (window) {
    TProcessInfo start;
    start.Code = 999;
    PostProcessInfo(window, start);
  }
  const float gain = float(percent / 100.0);
  const QString norPath = NorPath(path);
  QFile source(path);
  if (!source.open(QIODevice::ReadOnly)) return false;
  QFile target(norPath);
  if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const int64_t sourceSize = source.size();
  QElapsedTimer clock;
  clock.start();

  bool ok = true;
  char header[44];
  const qint64 headerBytes = source.read(header, 44);
  if (headerBytes < 0 || target.write(header, headerBytes) != headerBytes) ok = false;
  int64_t processed = std::max<qint64>(headerBytes, 0);
  uint8_t in[2048], out[2048];
  while (ok) {
    PostProgress(window, processed, sourceSize, clock);
    const qint64 got = source.read(reinterpret_cast<char*>(in), sizeof in);
    if (got < 0) {
      ok = false;
      break;
    }
    if (got == 0) break;
    std::copy(in, in + got, out);
    for (qint64 i = 0; i + 1 < got; i += 2) {
      const int16_t sample = int16_t(in[i] | (in[i + 1] << 8));
      // The float gain times a 16-bit sample is exact in double; nearbyint
      // rounds halves to even.
      const double scaled = std::nearbyint(double(sample) * double(gain));
      const int16_t value = int16_t(std::clamp(scaled, -32768.0, 32767.0));
      out[i] = uint8_t(uint16_t(value));
      out[i + 1] = uint8_t(uint16_t(value) >> 8);
    }
    if (target.write(reinterpret_cast<const char*>(out), got) != got) ok = false;
    processed += got;
  }
  source.close();
  if (!target.flush()) ok = false;
  target.close();
  if (!ok) {
    // A short read or write must not replace the track with a cut copy.
    QFile::remove(norPath);
    return false;
  }
  // rename() puts the ".nor" file in place in one step; when that is not
  // possible both files stay.
  return std::rename(QFile::encodeName(norPath).constData(), QFile::encodeName(path).constData()) ==
         0;
}
