#include "app/OptionsCommand.h"

#include "app/AppErrors.h"
#include "app/MainForm.h"
#include "options/OptionSetForm.h"
#include "platform/MainThread.h"

namespace {

// The main window's drive steps as the dialog's OK calls them.
class TMainFormDrives final : public TOptionsDriveHost {
 public:
  explicit TMainFormDrives(TMainForm* form) : form_(form) {}
  int32_t OpenDrive(int position) override { return form_->OpenDrive(position); }
  void LoadTrackList() override { form_->LoadTrackList(); }
  void TakeStatusAsDriveText() override { form_->SetDriveText(form_->StatusText()); }

 private:
  TMainForm* form_;
};

}  // namespace

void ExecuteOptions(TMainForm* form) {
  ExpectMainThread(Q_FUNC_INFO);
  TMainFormDrives drives(form);
  TOptionSetForm dialog(form, &drives);
  dialog.SetErrorHandler(
      [&dialog](const std::exception& error) { ShowApplicationError(&dialog, error); });
  // A dialog with a parent centres itself over it once its final size is
  // known, when it is shown.
  dialog.exec();
}
