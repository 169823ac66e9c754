#include "app/RecordCommand.h"

#include "app/JobLauncher.h"
#include "platform/MainThread.h"
#include "recorder/RecordForm.h"

void ExecuteRecord(QWidget* owner, int32_t cdHandle) {
  ExpectMainThread(Q_FUNC_INFO);
  ShowRecorder(
      owner, [cdHandle] { return cdHandle != 0; },
      [owner, cdHandle](const QString& wav) {
        OpenJobRunner({owner, kJobRecorderMp3, cdHandle, {wav}});
      });
}
