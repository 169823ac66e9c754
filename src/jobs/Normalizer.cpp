#include "jobs/Normalizer.h"

#include "jobs/ProgressTimes.h"
#include "jobs/SampleScaler.h"
#include "platform/WindowMessages.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <vector>

namespace {

QString NorPath(const QString& path) {
  const QFileInfo info(path);
  return info.dir().filePath(info.completeBaseName() + ".nor");
}

constexpr qint64 kBlockBytes = 2048;
// Blocks read and written at a time: 256 KB, few enough system calls that
// their cost vanishes, small enough to stay in the cache between the read,
// the scaling and the write.
constexpr qint64 kChunkBlocks = 128;

int32_t ProgressCode(int64_t processed, int64_t total) {
  return total > 0 ? int32_t(processed * 100 / total) : 0;
}

void PostProgress(QObject* window, int32_t code, const QElapsedTimer& clock) {
  TProcessInfo info;
  info.Code = code;
  const TProgressTimes times = FormatProgressTimes(clock.elapsed() / 1000.0, info.Code);
  info.Elapsed = times.Elapsed;
  info.Estimated = times.Estimated;
  if (window) PostProcessInfo(window, info);
}

// Reads until buffer is full or the file ends, so blocks keep their places
// whatever the read calls return. -1 on an error.
qint64 ReadFully(QFile& file, uint8_t* buffer, qint64 size) {
  qint64 got = 0;
  while (got < size) {
    const qint64 n = file.read(reinterpret_cast<char*>(buffer) + got, size - got);
    if (n < 0) return -1;
    if (n == 0) break;
    got += n;
  }
  return got;
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
  if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return false;
  QFile target(norPath);
  if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
    return false;
  const int64_t sourceSize = source.size();
  QElapsedTimer clock;
  clock.start();

  bool ok = true;
  char header[44];
  const qint64 headerBytes = source.read(header, 44);
  if (headerBytes < 0 || target.write(header, headerBytes) != headerBytes) ok = false;
  int64_t processed = std::max<qint64>(headerBytes, 0);
  const TSampleScaler scaler(gain);
  std::vector<uint8_t> chunk(size_t(kBlockBytes * kChunkBlocks));
  // The block stays the unit of the arithmetic and of the progress; a
  // message goes out only when the percentage moves.
  int32_t posted = -1;
  auto progress = [&] {
    const int32_t code = ProgressCode(processed, sourceSize);
    if (code == posted) return;
    posted = code;
    PostProgress(window, code, clock);
  };
  while (ok) {
    progress();
    const qint64 got = ReadFully(source, chunk.data(), qint64(chunk.size()));
    if (got < 0) {
      ok = false;
      break;
    }
    if (got == 0) break;
    for (qint64 at = 0; at < got; at += kBlockBytes) {
      if (at > 0) progress();
      const qint64 block = std::min(kBlockBytes, got - at);
      scaler.ScaleBlock(chunk.data() + at, size_t(block));
      processed += block;
    }
    if (target.write(reinterpret_cast<const char*>(chunk.data()), got) != got) ok = false;
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
