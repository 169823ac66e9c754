#include "settings/SharedRoutines.h"

#include "platform/MainThread.h"
#include "settings/Skins.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QWidget>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

QString FormatTwoDigits(int n) { return n > 9 ? QString::number(n) : QStringLiteral("0%1").arg(n); }

QString WithTrailingBackslash(const QString& folder) {
  if (folder.isEmpty() || folder.endsWith(QDir::separator()) || folder.endsWith('/')) return folder;
  return folder + QDir::separator();
}

bool IsFileInUse(const QString& path) {
  const QByteArray native = QFile::encodeName(path);
  struct stat info {};
  if (::stat(native.constData(), &info) != 0) return false;
  const int fd = ::open(native.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return true;
  // Linux has no share modes; an advisory lock held elsewhere is the closest.
  bool inUse = false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    inUse = errno == EWOULDBLOCK;
  } else {
    ::flock(fd, LOCK_UN);
  }
  ::close(fd);
  return inUse;
}

void WaitMilliseconds(int ms) {
  if (ms < 1) return;
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
  }
}

int64_t GetFileSizeOrMinusOne(const QString& path) {
  if (path.isEmpty()) return -1;
  const QFileInfo info(QDir::current().absoluteFilePath(path));
  if (!info.exists()) return -1;
  return info.size();
}

void ApplySkin(QWidget* window, int skinIndex) {
  ExpectMainThread(Q_FUNC_INFO);
  if (!window) return;
  window->setProperty("twSkinIndex", skinIndex);
  const TSkinLook look = SkinLook(skinIndex);
  window->setStyleSheet(look.Sheet);
  // Style sheets cannot colour links; the link labels take the look's
  // colour in their own text.
  window->setProperty(kLinkColorProperty, look.Link);
  for (QLabel* label : window->findChildren<QLabel*>()) RenderLinkLabel(label);
}
