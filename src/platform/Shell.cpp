#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {

TShellOpenHook& Hook() {
  static TShellOpenHook hook;
  return hook;
}

}  // namespace

bool ShellOpen(const QString& pathOrUrl) {
  if (Hook()) return Hook()(pathOrUrl);
  const QUrl url = QFileInfo::exists(pathOrUrl) ? QUrl::fromLocalFile(pathOrUrl)
                                                : QUrl::fromUserInput(pathOrUrl);
  return QDesktopServices::openUrl(url);
}

void SetShellOpenHook(TShellOpenHook hook) { Hook() = std::move(hook); }
