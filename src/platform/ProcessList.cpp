#include "platform/ProcessList.h"

#include "platform/UserFile.h"

#include <QDir>
#include <QRegularExpression>

namespace {

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

bool IsProcessRunning(const QString& executableName, const QString& procRoot) {
  const QDir proc(procRoot);
  const QStringList entries = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& pid : entries) {
    bool numeric = false;
    pid.toLongLong(&numeric);
    if (!numeric) continue;
    // Processes come and go while the list is read; a vanished one simply
    // yields nothing.
    const QString folder = proc.filePath(pid);
    if (auto comm = ReadRegularFile(folder + "/comm", 4096)) {
      if (SameName(QString::fromLocal8Bit(comm->trimmed()), executableName)) return true;
    }
    if (auto cmdline = ReadRegularFile(folder + "/cmdline", 65536)) {
      const QString first = QString::fromLocal8Bit(cmdline->left(cmdline->indexOf('\0')));
      const QString base = first.section(QRegularExpression("[/\\\\]"), -1);
      if (!base.isEmpty() && SameName(base, executableName)) return true;
    }
  }
  return false;
}
