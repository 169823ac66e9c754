#include "platform/StagedFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace {

Q_LOGGING_CATEGORY(lcStaged, "trackwell.stagedfile")

// A hidden name beside the target that nothing else uses yet.
QString StagingName(const QString& target) {
  const QFileInfo info(target);
  return info.dir().filePath(QString(".%1.%2.part")
                                 .arg(info.fileName())
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QChar('0')));
}

}  // namespace

TStagedFile::TStagedFile(const QString& target) : target_(target) {
  // Writing through a link replaces the file it points to, not the link.
  const QFileInfo info(target);
  if (info.isSymLink() && info.exists()) target_ = info.canonicalFilePath();
}

TStagedFile::~TStagedFile() { Discard(); }

bool TStagedFile::Open() {
  if (fd_ >= 0) return false;
  const QFileInfo info(target_);
  const QByteArray dir = QFile::encodeName(info.absolutePath());
  struct stat existing {};
  const bool replacing = ::stat(QFile::encodeName(target_).constData(), &existing) == 0;
  if (replacing && !S_ISREG(existing.st_mode)) return false;

  // An unnamed file is named at Commit through /proc; without /proc it
  // could not be, so it is named from the start.
  static const bool procFds = ::access("/proc/self/fd", F_OK) == 0;
  int fd = procFds ? ::open(dir.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666) : -1;
  if (fd < 0 && (!procFds || errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    // A file system without unnamed files: a hidden named one instead.
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
      staged_ = StagingName(target_);
      fd = ::open(QFile::encodeName(staged_).constData(),
                  O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0666);
      if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) staged_.clear();
  }
  if (fd < 0) return false;
  // A replaced file keeps its permissions, as with QSaveFile.
  if (replacing) ::fchmod(fd, existing.st_mode & 07777);
  // Unbuffered: writeData gathers the pieces itself.
  if (!QFile::open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                   QFileDevice::DontCloseHandle)) {
    ::close(fd);
    if (!staged_.isEmpty()) ::unlink(QFile::encodeName(staged_).constData());
    staged_.clear();
    return false;
  }
  fd_ = fd;
  return true;
}

bool TStagedFile::Commit() {
  if (fd_ < 0) return false;
  // A held write that failed (a full disk) shows only here.
  const bool written = flush() && !failed_ && error() == QFileDevice::NoError;
  if (!written) {
    qCWarning(lcStaged) << "not all of" << target_ << "could be written:" << errorString();
    Discard();
    return false;
  }
  // Starts the data on its way to the disk without waiting for it.
  ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
  const bool placed = Place();
  if (!placed) {
    qCWarning(lcStaged) << "cannot put" << target_ << "in place:" << strerror(errno);
    Discard();
    return false;
  }
  QFile::close();
  ::close(fd_);
  fd_ = -1;
  staged_.clear();
  return true;
}

bool TStagedFile::Place() {
  const QByteArray target = QFile::encodeName(target_);
  if (staged_.isEmpty()) {
    // An unnamed file gets a hidden name first: a link cannot replace.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd_);
    for (int attempt = 0; attempt < 16 && staged_.isEmpty(); ++attempt) {
      const QString name = StagingName(target_);
      if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, QFile::encodeName(name).constData(),
                   AT_SYMLINK_FOLLOW) == 0)
        staged_ = name;
      else if (errno != EEXIST)
        return false;
    }
    if (staged_.isEmpty()) return false;
  }
  return ::rename(QFile::encodeName(staged_).constData(), target.constData()) == 0;
}

void TStagedFile::Discard() {
  pending_.clear();
  if (fd_ < 0) return;
  QFile::close();
  ::close(fd_);
  fd_ = -1;
  if (!staged_.isEmpty() && ::unlink(QFile::encodeName(staged_).constData()) != 0)
    qCWarning(lcStaged) << "cannot remove" << staged_ << strerror(errno);
  staged_.clear();
}

qint64 TStagedFile::writeData(const char* data, qint64 len) {
  if (pending_.empty() && len >= kWritePiece) return QFile::writeData(data, len);
  pending_.insert(pending_.end(), data, data + len);
  if (qint64(pending_.size()) >= kWritePiece && !WritePending()) return -1;
  return len;
}

bool TStagedFile::WritePending() {
  const char* p = pending_.data();
  qint64 left = qint64(pending_.size());
  while (left > 0) {
    const qint64 n = QFile::writeData(p, left);
    if (n <= 0) {
      pending_.clear();
      failed_ = true;
      return false;
    }
    p += n;
    left -= n;
  }
  pending_.clear();
  return true;
}

bool TStagedFile::flush() { return WritePending() && QFile::flush(); }

bool TStagedFile::seek(qint64 pos) { return WritePending() && QFile::seek(pos); }

qint64 TStagedFile::size() const {
  // What is held counts: written first, wherever it goes.
  const_cast<TStagedFile*>(this)->WritePending();
  return QFile::size();
}
