#include "platform/WineRegistryFile.h"

#include "platform/MainThread.h"
#include "platform/UserFile.h"
#include "platform/WineRegistry.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>

Q_LOGGING_CATEGORY(lcWineRegistry, "trackwell.platform.wineregistry")

namespace {

// A user hive of a long-used prefix runs to a few megabytes.
constexpr qint64 kMaxHiveBytes = qint64(256) << 20;

}  // namespace

QString WineUserRegistryPath() {
  QString prefix = qEnvironmentVariable("WINEPREFIX");
  if (prefix.isEmpty()) prefix = QDir::homePath() + "/.wine";
  return QDir(prefix).filePath("user.reg");
}

int EditRegistryFile(const QString& path, const std::function<int(TRegistryText&)>& edit) {
  ExpectMainThread(Q_FUNC_INFO);
  QByteArray bytes;
  if (QFileInfo::exists(path)) {
    const std::optional<QByteArray> read = ReadRegularFile(path, kMaxHiveBytes);
    if (!read) {
      // Nothing can be deleted from a hive that cannot be read.
      qCWarning(lcWineRegistry) << "cannot read the registry file" << path;
      return 0;
    }
    bytes = *read;
  }
  TRegistryText registry(bytes);
  const int count = edit(registry);
  if (count <= 0) return count;

  QSaveFile file(path);
  const QByteArray text = registry.Bytes();
  // commit() alone reports success after a short write (a full disk), so
  // the flush is checked first and a failed one abandons the new file.
  const bool written =
      file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.flush();
  if (!written) file.cancelWriting();
  if (!written || !file.commit()) {
    qCWarning(lcWineRegistry) << "cannot write the registry file" << path << file.errorString();
    return 0;
  }
  return count;
}
