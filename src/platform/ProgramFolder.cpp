#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString& Override() {
  static QString folder;
  return folder;
}

QString WithSlash(QString folder) {
  if (!folder.endsWith('/')) folder += '/';
  return folder;
}
}  // namespace

QString ProgramFolder() {
  if (!Override().isEmpty()) return WithSlash(Override());
  return WithSlash(QDir(QCoreApplication::applicationDirPath()).absolutePath());
}

void SetProgramFolder(const QString& folder) { Override() = folder; }
