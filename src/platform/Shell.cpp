#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

bool ShellOpen(const QString& pathOrUrl) {
  const QUrl url = QFileInfo::exists(pathOrUrl) ? QUrl::fromLocalFile(pathOrUrl)
                                                : QUrl::fromUserInput(pathOrUrl);
  return QDesktopServices::openUrl(url);
}
