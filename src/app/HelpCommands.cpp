#include "app/HelpCommands.h"

#include "app/Addresses.h"
#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "platform/Shell.h"
#include "settings/OptionsSetting.h"

#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcHelpCommands, "trackwell.app.help")

void OpenOutputDirectory(QWidget* owner) {
  ExpectMainThread(Q_FUNC_INFO);
  const QString folder = OptionsSetting.CommonOptions.OutputFolder;
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
    ShowMessage(owner, folder + "," + "The output directory does not exist.", TMsgIcon::Error);
    return;
  }
  if (!ShellOpen(folder)) qCWarning(lcHelpCommands) << "no file browser opened" << folder;
}

void OpenHelp() {
  ExpectMainThread(Q_FUNC_INFO);
  const QString page = HelpFilePath();
  if (!QFileInfo::exists(page) || !ShellOpen(page))
    qCWarning(lcHelpCommands) << "the help page did not open" << page;
}

void OpenHomePage() {
  ExpectMainThread(Q_FUNC_INFO);
  if (!ShellOpen(HomePageAddress()))
    qCWarning(lcHelpCommands) << "the home page did not open" << HomePageAddress();
}
