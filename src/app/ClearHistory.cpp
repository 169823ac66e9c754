#include "app/ClearHistory.h"

#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "platform/ProcessList.h"
#include "platform/WineRegistry.h"
#include "platform/WineRegistryFile.h"

namespace {

const char* const kRealOneClips = "Software\\RealNetworks\\RealPlayer\\6.0\\Preferences\\";
const char* const kMediaPlayerFiles = "Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList";

// A running player keeps its list in memory and may write it back; the
// user decides whether to go on anyway.
bool MayGoOn(QWidget* owner, const QString& executable, const QString& question) {
  if (!IsProcessRunning(executable)) return true;
  return ShowMessage(owner, question, TMsgIcon::Information, TMsgButtons::YesNo, TMsgDefault::No) ==
         TMsgResult::Yes;
}

void ReportCount(QWidget* owner, int count) {
  ShowMessage(owner, QString::number(count) + " list records are deleted!", TMsgIcon::Information);
}

}  // namespace

int DeleteRealOneRecentClips(TRegistryText& registry) {
  int count = 0;
  for (int i = 1; i <= 8; ++i) {
    if (!registry.DeleteKey(QString::fromLatin1(kRealOneClips) + "MostRecentClips" +
                            QString::number(i)))
      break;
    ++count;
  }
  return count;
}

int DeleteMediaPlayerRecentFiles(TRegistryText& registry) {
  const QString key = QString::fromLatin1(kMediaPlayerFiles);
  if (!registry.KeyExists(key)) return 0;
  int count = 0;
  for (int i = 0; i <= 8; ++i) {
    if (!registry.DeleteValue(key, "File" + QString::number(i))) break;
    ++count;
  }
  return count;
}

void ClearRealOneHistory(QWidget* owner) {
  ExpectMainThread(Q_FUNC_INFO);
  if (!MayGoOn(owner, "realplay.exe", "Please close RealOne Player firstly.Continue?")) return;
  ReportCount(owner, EditRegistryFile(WineUserRegistryPath(), DeleteRealOneRecentClips));
}

void ClearMediaPlayerHistory(QWidget* owner) {
  ExpectMainThread(Q_FUNC_INFO);
  if (!MayGoOn(owner, "wmplayer.exe",
               "Windows Media Player is running and may keep its list.Continue?"))
    return;
  ReportCount(owner, EditRegistryFile(WineUserRegistryPath(), DeleteMediaPlayerRecentFiles));
}
