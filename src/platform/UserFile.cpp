#include "platform/UserFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool OpenRegularFile(QFile& file, QIODevice::OpenMode mode) {
  int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  if ((mode & QIODevice::ReadWrite) == QIODevice::ReadWrite)
    flags |= O_RDWR;
  else if (mode & QIODevice::WriteOnly)
    flags |= O_WRONLY;
  else
    flags |= O_RDONLY;
  const QByteArray native = QFile::encodeName(file.fileName());
  if (native.isEmpty()) return false;
  const int fd = ::open(native.constData(), flags);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return false;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return false;
  }
  return true;
}

std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes) {
  QFile file(path);
  if (!OpenRegularFile(file, QIODevice::ReadOnly)) return std::nullopt;
  if (file.size() > maxBytes) return std::nullopt;
  // read() with a bound: the file may grow between the size check and here.
  QByteArray data = file.read(maxBytes + 1);
  if (data.size() > maxBytes || file.error() != QFile::NoError) return std::nullopt;
  return data;
}

bool CommitWhole(QSaveFile& file) {
  if (!file.flush()) {
    file.cancelWriting();
    file.commit();  // removes the temporary file
    return false;
  }
  return file.commit();
}
