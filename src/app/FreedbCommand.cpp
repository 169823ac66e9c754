#include "app/FreedbCommand.h"

#include "platform/CdDriveLibrary.h"
#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "tags/QueryCDDBForm.h"

void ExecuteQueryFreedb(QWidget* owner, int32_t cdHandle, const TCddbTitleTarget& target) {
  ExpectMainThread(Q_FUNC_INFO);
  CDTOC toc{};
  if (ReadTOC(cdHandle, &toc) != 1) {
    ShowMessage(owner, "Error while reading TOC information!", TMsgIcon::Error);
    return;
  }
  TfrmQueryCDDB dialog(owner, toc.FirstTrack, toc.LastTrack, cdHandle, target);
  dialog.exec();
}
