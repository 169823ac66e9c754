#include "app/ModalDialog.h"

#include "platform/MainThread.h"

#include <QDialog>

namespace {

TModalDialogHook& Hook() {
  static TModalDialogHook hook;
  return hook;
}

}  // namespace

int ExecModal(QDialog& dialog) {
  ExpectMainThread(Q_FUNC_INFO);
  if (Hook()) return Hook()(dialog);
  return dialog.exec();
}

void SetModalDialogHook(TModalDialogHook hook) { Hook() = std::move(hook); }
