#include "jobs/SourceFiles.h"

#include "acs/ACSWave.h"

#include <QFile>
#include <QFileInfo>

#include <mpg123.h>

#include <mutex>

namespace {

// Follows links: a link to a regular file counts as one.
bool IsRegularFile(const QString& path) { return QFileInfo(path).isFile(); }

}  // namespace

bool IsReadableWav(const QString& path) {
  if (!IsRegularFile(path)) return false;
  TWaveIn wave;
  wave.SetFileName(path);
  return wave.Valid();
}

bool IsReadableMp3(const QString& path) {
  if (!IsRegularFile(path)) return false;
  static std::once_flag initialised;
  std::call_once(initialised, [] { mpg123_init(); });
  mpg123_handle* handle = mpg123_new(nullptr, nullptr);
  if (!handle) return false;
  mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
  bool readable = false;
  if (mpg123_open(handle, QFile::encodeName(path).constData()) == MPG123_OK) {
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    readable = mpg123_getformat(handle, &rate, &channels, &encoding) == MPG123_OK && rate > 0;
    mpg123_close(handle);
  }
  mpg123_delete(handle);
  return readable;
}
